#include "filter/PlaneCommand.h"

#include <cstring>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"
#include "common/TextHelpers.h"

namespace kv71p::filter {

namespace {

// The data length travels as 8 decimal digits.
constexpr uint64_t kMaxDataLength = 99999999;

// Rows of `width` 8-bit pixels rounded up to a multiple of 4 bytes.
uint64_t PlaneStride(int32_t width) { return ((static_cast<uint64_t>(width) * 8 + 7) / 8 + 3) & ~uint64_t{3}; }

// Pixels per metre of a resolution in dpi, truncated.
int32_t PixelsPerMetre(int64_t dpi) { return static_cast<int32_t>(static_cast<double>(dpi * 1000) / 25.4); }

// Fills the BMP part for a page of `width` x `rows` pixels whose pixel
// bytes are `imageSize`.
void FillBmpPart(unsigned char* bmp, int32_t width, int32_t rows, int64_t dpiX, int64_t dpiY,
                 uint32_t imageSize) {
  std::memset(bmp, 0, PlaneCommand::kBmpPartSize);
  bmp[0] = 'B';
  bmp[1] = 'M';
  StoreLE4(bmp + 2, static_cast<int>(imageSize + PlaneCommand::kBmpPartSize));
  StoreLE4(bmp + 10, PlaneCommand::kBmpPartSize);
  unsigned char* info = bmp + 14;
  StoreLE4(info + 0, 40);
  StoreLE4(info + 4, width);
  StoreLE4(info + 8, rows);  // positive: bottom row first
  StoreLE2(info + 12, 1);
  StoreLE2(info + 14, 8);
  StoreLE4(info + 16, 0);
  StoreLE4(info + 20, static_cast<int>(imageSize));
  StoreLE4(info + 24, PixelsPerMetre(dpiX));
  StoreLE4(info + 28, PixelsPerMetre(dpiY));
  StoreLE4(info + 32, 256);
  StoreLE4(info + 36, 256);
  unsigned char* palette = bmp + 54;
  for (int i = 0; i < 256; ++i) {
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<unsigned char>(i);
  }
}

}  // namespace

const char* const kPlaneNames[3] = {kParamYPlane, kParamMPlane, kParamCPlane};

bool PlaneCommand::Fits(int32_t width, int32_t rows) {
  return width >= 0 && rows >= 0 &&
         PlaneStride(width) * static_cast<uint64_t>(rows) + kBmpPartSize <= kMaxDataLength;
}

bool PlaneCommand::Make(int32_t width, int32_t rows, int64_t dpiX, int64_t dpiY) {
  if (!Fits(width, rows)) return false;
  stride_ = static_cast<size_t>(PlaneStride(width));
  const size_t imageSize = stride_ * static_cast<size_t>(rows);
  size_ = kCmdHeaderSize + kBmpPartSize + imageSize;
  buffer_ = AllocPageMemory(size_, false);
  if (!buffer_) return false;
  unsigned char* block = buffer_.get();
  MakeCmdHeader(block, kCmdImage, kPlaneNames[0], static_cast<int>(imageSize + kBmpPartSize));
  FillBmpPart(block + kCmdHeaderSize, width, rows, dpiX, dpiY, static_cast<uint32_t>(imageSize));
  pixels_ = block + kCmdHeaderSize + kBmpPartSize;
  std::memset(pixels_, 255, imageSize);
  return true;
}

void PlaneCommand::SetPlaneName(const char* name) {
  unsigned char* field = buffer_.get() + kCmdParamOffset;
  std::memset(field, ' ', kCmdParamSize);
  std::memcpy(field, name, std::strlen(name));
}

}  // namespace kv71p::filter
