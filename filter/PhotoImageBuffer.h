// The filter's page buffer: the three 8-bit colour planes of up to three
// photos that share one print, the job's media record and a copy of the job
// settings that the colour pipeline reads. A complete print is sent as three
// plane commands, each an 8-bit BMP image of the whole page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "filter/DeviceMediaBufferInfo.h"
#include "imaging/QlxImgLib.h"

namespace kv71p::filter {

class DeviceEntry;

// Pixel memory of one page, obtained from the image library's allocator so
// that a bitmap can take it over.
struct PageMemoryFree {
  void operator()(unsigned char* memory) const { GlobalFree(memory); }
};
using PageMemory = std::unique_ptr<unsigned char, PageMemoryFree>;

// `size` zero bytes from the image library's allocator; null when the
// memory cannot be obtained (or `size` is 0).
PageMemory AllocPageMemory(size_t size);

// A photo made by the colour pipeline: a bitmap record that owns its image.
// Deleting it releases the image (IL_FreeBitmap), then the record.
struct PhotoBitmapFree {
  void operator()(_tagBITMAPHANDLE* photo) const;
};
using PhotoBitmap = std::unique_ptr<_tagBITMAPHANDLE, PhotoBitmapFree>;

// Row stride of a 24-bit row of `width` pixels: ((width x 24 + 31) / 32) x 4.
inline uint64_t RowStride24(uint64_t width) { return (width * 24 + 31) / 32 * 4; }

class PhotoImageBuffer {
 public:
  // Plane command parameters in plane order: yellow, magenta, cyan.
  static const char* const planeNames[3];

  PhotoImageBuffer() = default;
  virtual ~PhotoImageBuffer();
  PhotoImageBuffer(const PhotoImageBuffer&) = delete;
  PhotoImageBuffer& operator=(const PhotoImageBuffer&) = delete;

  // Stores `record` as mediaInfo when it differs from the stored one.
  // Returns 0.
  int Alloc(DeviceMediaBufferInfo record);
  // Releases the pixel memory of all nine planes. Returns 0.
  int Clear();
  int Free() { return Clear(); }

  // The colour pipeline: turns a page (24-bit rows of RowStride24(width)
  // bytes, bottom row first, bytes in the raster's order; the pipeline
  // takes it over) into the processed photo, using mediaInfo and the
  // settings below. The photo may be a record without an image (Data null,
  // Width and Height 0), which prints as a white panel; it is null only when
  // the record itself could not be obtained. `index` has no effect.
  PhotoBitmap ColorProcess(PageMemory pixels, int64_t width, int64_t height, int index);

  // Splits `photo` into the planes of layout slot `slot` (0 to 2): red into
  // the cyan plane record, green into magenta, blue into yellow. Planes the
  // slot still held are released first. A null photo or one without an
  // image leaves the slot empty.
  void SetImageData(int slot, const _tagBITMAPHANDLE* photo);

  // Composes the three plane commands of one print laid out by `record`
  // and writes them through `entry`. 0 when all three were written, 3 when
  // the composition memory was not obtained (nothing written) or a write
  // failed (no further plane written).
  int Send(DeviceEntry* entry, const DeviceMediaBufferInfo& record);

  DeviceMediaBufferInfo mediaInfo;  // the job's single-photo record
  _tagBITMAPHANDLE planes[3][3] = {};  // [slot][k], k: 0 yellow, 1 magenta, 2 cyan

  // Copies of the job settings, refreshed before every photo.
  int64_t resolutionDpi = 300;
  int64_t resolutionMode = 0;
  bool paperRotate = false;
  bool border = true;
  bool icm = false;
  int32_t sharpness = 0;
  bool colorAdjustment = false;
  int32_t gammaR = 0, gammaG = 0, gammaB = 0;
  int32_t brightnessR = 0, brightnessG = 0, brightnessB = 0;
  int32_t contrastR = 0, contrastG = 0, contrastB = 0;
  int32_t chroma = 0;
  std::string iccProfile;
};

}  // namespace kv71p::filter
