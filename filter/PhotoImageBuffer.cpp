#include "filter/PhotoImageBuffer.h"

#include <cstdlib>
#include <cstring>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"
#include "common/TextHelpers.h"
#include "filter/DeviceEntry.h"

namespace kv71p::filter {

namespace {

// The BMP part of a plane command: file header (14 bytes), information
// header (40), grey palette (1024) and 10 zero bytes; the pixels follow.
constexpr int kBmpPartSize = 1088;
constexpr int kBmpInfoOffset = kCmdHeaderSize + 14;
constexpr int kPaletteOffset = kCmdHeaderSize + 54;
constexpr int kPixelOffset = kCmdHeaderSize + kBmpPartSize;  // 1120
// The data length travels as 8 decimal digits.
constexpr uint64_t kMaxDataLength = 99999999;

// Pixels per metre of a resolution in dpi, truncated.
int32_t PixelsPerMetre(int64_t dpi) { return static_cast<int32_t>(static_cast<double>(dpi * 1000) / 25.4); }

// Fills the BMP part of a plane command for a page of `width` x `length`
// pixels whose N pixel bytes are `imageSize`.
void FillBmpPart(unsigned char* block, const DeviceMediaBufferInfo& record, uint32_t imageSize) {
  unsigned char* bmp = block + kCmdHeaderSize;
  std::memset(bmp, 0, kBmpPartSize);
  bmp[0] = 'B';
  bmp[1] = 'M';
  StoreLE4(bmp + 2, static_cast<int>(imageSize + kBmpPartSize));
  StoreLE4(bmp + 10, kBmpPartSize);
  unsigned char* info = block + kBmpInfoOffset;
  StoreLE4(info + 0, 40);
  StoreLE4(info + 4, record.headWidth);
  StoreLE4(info + 8, record.pageLength);  // positive: bottom row first
  StoreLE2(info + 12, 1);
  StoreLE2(info + 14, 8);
  StoreLE4(info + 16, 0);
  StoreLE4(info + 20, static_cast<int>(imageSize));
  StoreLE4(info + 24, PixelsPerMetre(record.dpiX));
  StoreLE4(info + 28, PixelsPerMetre(record.dpiY));
  StoreLE4(info + 32, 256);
  StoreLE4(info + 36, 256);
  unsigned char* palette = block + kPaletteOffset;
  for (int i = 0; i < 256; ++i) {
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<unsigned char>(i);
  }
}

// Copies a plane into the pixel area: its first `rows` x `cols` pixels in
// storage order, centred in the panel when smaller, clipped to the page.
void PlacePlane(const _tagBITMAPHANDLE& plane, unsigned char* pixels, int64_t stride,
                int64_t headWidth, int64_t pageLength, int64_t photoLength, int64_t top) {
  if (plane.Data == nullptr) return;
  int64_t rows = plane.Height < photoLength ? plane.Height : photoLength;
  const int64_t cols = plane.Width < headWidth ? plane.Width : headWidth;
  if (rows <= 0 || cols <= 0) return;
  const int64_t x0 = (headWidth - cols) / 2;
  const int64_t y0 = (photoLength - rows) / 2 + top;
  if (y0 < 0 || y0 >= pageLength) return;
  if (y0 + rows > pageLength) rows = pageLength - y0;
  for (int64_t r = 0; r < rows; ++r) {
    std::memcpy(pixels + (y0 + r) * stride + x0, plane.Data + r * plane.BytesPerLine,
                static_cast<size_t>(cols));
  }
}

}  // namespace

const char* const PhotoImageBuffer::planeNames[3] = {kParamYPlane, kParamMPlane, kParamCPlane};

PageMemory AllocPageMemory(size_t size) {
  if (size == 0) return nullptr;
  auto* memory = static_cast<unsigned char*>(GlobalAlloc(0, size));
  if (memory != nullptr) ZeroMemory(memory, size);
  return PageMemory(memory);
}

void PhotoBitmapFree::operator()(_tagBITMAPHANDLE* photo) const {
  if (photo == nullptr) return;
  IL_FreeBitmap(photo);
  GlobalFree(photo);
}

PhotoImageBuffer::~PhotoImageBuffer() { Clear(); }

int PhotoImageBuffer::Alloc(DeviceMediaBufferInfo record) {
  if (record != mediaInfo) mediaInfo = record;
  return 0;
}

int PhotoImageBuffer::Clear() {
  for (auto& slot : planes) {
    for (auto& plane : slot) IL_FreeBitmap(&plane);
  }
  return 0;
}

void PhotoImageBuffer::SetImageData(int slot, const _tagBITMAPHANDLE* photo) {
  if (slot < 0 || slot >= 3) return;
  for (auto& plane : planes[slot]) {
    IL_FreeBitmap(&plane);
    plane = _tagBITMAPHANDLE{};
  }
  if (photo == nullptr) return;
  // Red goes to the cyan plane, green to magenta, blue to yellow.
  _tagBITMAPHANDLE* outputs[3] = {&planes[slot][2], &planes[slot][1], &planes[slot][0]};
  IL_ColorSeparateBitmap(photo, outputs, IL_RECORD_SIZE, 0);
}

int PhotoImageBuffer::Send(DeviceEntry* entry, const DeviceMediaBufferInfo& record) {
  if (entry == nullptr || record.headWidth < 0 || record.pageLength < 0) return 3;
  // Rows of the head width rounded up to a multiple of 4 bytes.
  const uint64_t stride = ((static_cast<uint64_t>(record.headWidth) * 8 + 7) / 8 + 3) & ~uint64_t{3};
  const uint64_t imageSize = stride * static_cast<uint64_t>(record.pageLength);
  if (imageSize + kBmpPartSize > kMaxDataLength) return 3;
  const size_t total = kPixelOffset + static_cast<size_t>(imageSize);
  std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
      static_cast<unsigned char*>(std::malloc(total)), &std::free);
  if (!buffer) return 3;

  unsigned char* block = buffer.get();
  MakeCmdHeader(block, kCmdImage, planeNames[0], static_cast<int>(imageSize + kBmpPartSize));
  FillBmpPart(block, record, static_cast<uint32_t>(imageSize));
  unsigned char* pixels = block + kPixelOffset;
  std::memset(pixels, 255, static_cast<size_t>(imageSize));

  // Every plane overwrites the same photo rectangles, so margins and gaps
  // stay white in all three.
  const int photos = record.photos < 3 ? record.photos : 3;
  int written = 1;
  for (int k = 0; k < 3; ++k) {
    if (record.photos > 0) {
      std::memset(block + kCmdParamOffset, ' ', kCmdParamSize);
      std::memcpy(block + kCmdParamOffset, planeNames[k], std::strlen(planeNames[k]));
      for (int i = 0; i < photos; ++i) {
        const int64_t top = static_cast<int64_t>(i) * (mediaInfo.pageLength + record.gap);
        PlacePlane(planes[i][k], pixels, static_cast<int64_t>(stride), record.headWidth,
                   record.pageLength, record.photoLength, top);
      }
    }
    written = entry->SetCommand(block, total);
    if (written == 0) break;
  }
  return written != 0 ? 0 : 3;
}

}  // namespace kv71p::filter
