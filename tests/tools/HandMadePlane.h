// Plane commands put together byte by byte from the documented layout,
// independently of the code under test: a 32-byte header, the BMP part
// (file header, information header, grey palette, 10 zero bytes) and
// `height` rows of 2560 pixels, bottom row first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace handmade {

inline void LE(std::vector<unsigned char>& b, size_t at, uint32_t v, int size) {
  for (int i = 0; i < size; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// pixel(x, storedRow) gives each pixel value.
template <typename Pixel>
std::vector<unsigned char> PlaneCommand(const char* parameter, int height, int dpiY, Pixel pixel) {
  const uint32_t n = 2560u * static_cast<uint32_t>(height);
  std::vector<unsigned char> b(1120 + n, ' ');
  b[0] = 0x1B;
  b[1] = 'P';
  std::memcpy(&b[2], "IMAGE", 5);
  std::memcpy(&b[8], parameter, std::strlen(parameter));
  char length[16];
  std::snprintf(length, sizeof length, "%08u", n + 1088);
  std::memcpy(&b[24], length, 8);
  std::memset(&b[32], 0, 1088);
  b[32] = 'B';
  b[33] = 'M';
  LE(b, 34, n + 1088, 4);
  LE(b, 42, 1088, 4);
  LE(b, 46, 40, 4);
  LE(b, 50, 2560, 4);
  LE(b, 54, static_cast<uint32_t>(height), 4);
  LE(b, 58, 1, 2);
  LE(b, 60, 8, 2);
  LE(b, 66, n, 4);
  LE(b, 70, 11811, 4);
  LE(b, 74, dpiY == 600 ? 23622 : 11811, 4);
  LE(b, 78, 256, 4);
  LE(b, 82, 256, 4);
  for (int i = 0; i < 256; ++i) b[86 + 4 * i] = b[87 + 4 * i] = b[88 + 4 * i] = static_cast<unsigned char>(i);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 2560; ++x) b[1120 + static_cast<size_t>(y) * 2560 + x] = pixel(x, y);
  return b;
}

inline std::vector<unsigned char> PlainPlane(const char* parameter, int height = 2) {
  return PlaneCommand(parameter, height, 300, [](int x, int y) {
    return static_cast<unsigned char>((x + 7 * y) & 0xFF);
  });
}

}  // namespace handmade
