// Plain, literal versions of the optimised image operations, written for
// reading rather than speed: whole-image work arrays, one byte at a time,
// every sum in its defined order. The library is compared with them byte
// for byte.
#pragma once

#include <cstddef>
#include <vector>

namespace plain {

// A 24-bit image in the library's layout (rows padded to 4 bytes).
struct Image {
  int width = 0, height = 0, stride = 0;
  std::vector<unsigned char> bytes;

  Image() = default;
  Image(int w, int h) : width(w), height(h), stride(((w * 24 + 31) / 32) * 4), bytes(static_cast<size_t>(stride) * h) {}
  unsigned char* row(int y) { return bytes.data() + static_cast<size_t>(y) * stride; }
  const unsigned char* row(int y) const { return bytes.data() + static_cast<size_t>(y) * stride; }
};

double Kernel(double d);
Image Size(const Image& source, int newWidth, int newHeight);
void Sharpen(Image& image, int change);
// Pixel by pixel through the library's literal RgbToHsl and HslToRgb.
void Saturation(Image& image, int change, int colorOrder);

}  // namespace plain
