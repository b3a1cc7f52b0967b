// The filter's page buffer: the three 8-bit colour planes of up to three
// photos that share one print, and the job's single-photo media record. A
// complete print is written as "MULTICUT", three plane commands (each an
// 8-bit BMP image of the whole page, PlaneCommand) and "START".
#pragma once

#include <cstdint>
#include <memory>

#include "filter/BlockWriter.h"
#include "filter/DeviceMediaBufferInfo.h"
#include "filter/EntryResult.h"
#include "filter/JobSettings.h"
#include "filter/PageMemory.h"
#include "imaging/QlxImgLib.h"

namespace kv71p::filter {

// A photo made by the colour pipeline: a bitmap record that owns its image.
// Deleting it releases the image (IL_FreeBitmap), then the record.
struct PhotoBitmapFree {
  void operator()(BITMAPHANDLE* photo) const;
};
using PhotoBitmap = std::unique_ptr<BITMAPHANDLE, PhotoBitmapFree>;

class PhotoImageBuffer {
 public:
  PhotoImageBuffer() = default;
  ~PhotoImageBuffer();
  PhotoImageBuffer(const PhotoImageBuffer&) = delete;
  PhotoImageBuffer& operator=(const PhotoImageBuffer&) = delete;

  // Releases the pixel memory of all nine planes.
  void Clear();

  // The colour pipeline: turns a page (24-bit rows of RowStride24(width)
  // bytes, bottom row first, bytes in the raster's order; the pipeline
  // takes it over) into the processed photo, using mediaInfo and
  // `settings`. The photo may be a record without an image (Data null,
  // Width and Height 0), which prints as a white panel; it is null only
  // when the record itself could not be obtained.
  PhotoBitmap ColorProcess(PageMemory pixels, int64_t width, int64_t height,
                           const JobSettings& settings) const;

  // Splits `photo` into the planes of layout slot `slot` (0 to 2): red into
  // the cyan plane record, green into magenta, blue into yellow. Planes the
  // slot still held are released first. A null photo or one without an
  // image leaves the slot empty.
  void SetImageData(int slot, const BITMAPHANDLE* photo);

  // Writes one print laid out by `record`: "MULTICUT" with its multi-cut
  // code, the three planes and "START". The planes are composed before
  // anything is written, so a print that cannot be composed (Invalid: too
  // large for its command; NoMemory) writes nothing. OutputFailed when a
  // write failed (nothing further is written).
  EntryResult Send(BlockWriter& output, const DeviceMediaBufferInfo& record) const;

  DeviceMediaBufferInfo mediaInfo;  // the job's single-photo record
  BITMAPHANDLE planes[3][3] = {};   // [slot][k], k: 0 yellow, 1 magenta, 2 cyan
};

}  // namespace kv71p::filter
