#include "tools/decoder/PlaneImage.h"

#include "tools/decoder/BlockCheck.h"

namespace kv71p {

namespace {

int ReadLE4(const unsigned char* p) {
  return static_cast<int>(static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8 |
                          static_cast<unsigned>(p[2]) << 16 | static_cast<unsigned>(p[3]) << 24);
}

int Dpi(int pixelsPerMetre) { return pixelsPerMetre == kPixelsPerMetre600 ? 600 : 300; }

}  // namespace

bool ReadPlaneImage(const StreamBlock& block, PlaneImage* plane) {
  if (block.entry == nullptr || block.entry->data != CmdData::BmpPlane ||
      block.bytes.size() <= static_cast<size_t>(kPlanePixelOffset))
    return false;
  const unsigned char* b = block.bytes.data();
  plane->width = ReadLE4(b + 50);
  plane->height = ReadLE4(b + 54);
  plane->stride = (plane->width + 3) & ~3;
  plane->dpiX = Dpi(ReadLE4(b + 70));
  plane->dpiY = Dpi(ReadLE4(b + 74));
  plane->pixels = b + kPlanePixelOffset;
  return static_cast<size_t>(plane->stride) * static_cast<size_t>(plane->height) ==
         block.bytes.size() - kPlanePixelOffset;
}

}  // namespace kv71p
