// Test pictures that come out the same on every machine: integer arithmetic
// and a written-out xorshift64* generator, nothing from the standard
// library's distributions and no floating point.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace kv71p::test {

// xorshift64*: one 64-bit state; each byte is the top byte of the product.
class NoiseSource {
 public:
  explicit NoiseSource(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull | 1) {}
  unsigned char Byte() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<unsigned char>((state_ * 0x2545F4914F6CDD1Dull) >> 56);
  }

 private:
  uint64_t state_;
};

// `width` x `height` RGB pixels, top row first, rows unpadded. A photo-like
// picture has smooth gradients with a little grain, a flat patch, a disc
// with a hard edge and a band of fine stripes; otherwise every byte is
// noise. `seed` picks the grain or the noise.
inline std::string TestPicture(int width, int height, bool photoLike, uint64_t seed) {
  NoiseSource noise(seed);
  std::string rgb(static_cast<size_t>(width) * height * 3, '\0');
  const int radius = std::min(width, height) / 4, cx = width * 3 / 4, cy = height / 3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int pixel[3] = {x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                      (x + 2 * y) * 255 / std::max(1, width + 2 * height - 3)};
      const int grain = noise.Byte() % 7 - 3;
      for (int& v : pixel) v += grain;
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius) pixel[0] = 30, pixel[1] = 40, pixel[2] = 220;
      if (x >= width * 2 / 5 && x < width * 3 / 5 && y < height / 2)
        pixel[0] = pixel[1] = pixel[2] = (x + y) / 3 % 2 ? 16 : 240;
      if (x >= width / 16 && x < width / 3 && y >= height * 5 / 8 && y < height * 15 / 16)
        pixel[0] = 200, pixel[1] = 180, pixel[2] = 160;
      for (int k = 0; k < 3; ++k) {
        const unsigned char byte = photoLike ? static_cast<unsigned char>(std::clamp(pixel[k], 0, 255)) : noise.Byte();
        rgb[(static_cast<size_t>(y) * width + x) * 3 + k] = static_cast<char>(byte);
      }
    }
  }
  return rgb;
}

}  // namespace kv71p::test
