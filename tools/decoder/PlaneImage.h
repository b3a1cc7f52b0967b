// The picture inside a checked plane command: an 8-bit grey BMP whose
// rows are stored bottom row first.
#pragma once

#include "tools/decoder/StreamBlock.h"

namespace kv71p {

struct PlaneImage {
  int width = 0;
  int height = 0;
  int stride = 0;                          // bytes per stored row
  int dpiX = 0, dpiY = 0;                  // from the pixels per metre
  const unsigned char* pixels = nullptr;   // first stored row = bottom row

  // Value of the pixel in column x of row y counted from the top.
  unsigned char At(int x, int y) const {
    return pixels[static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride) +
                  static_cast<size_t>(x)];
  }
};

// Views the picture of a plane block checked by the decoder (the block
// must outlive the view). False when the block is not a plane command.
bool ReadPlaneImage(const StreamBlock& block, PlaneImage* plane);

}  // namespace kv71p
