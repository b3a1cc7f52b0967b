// The steps of the colour pipeline (PhotoImageBuffer::ColorProcess) and the
// scoped bitmap record they pass along: geometry in
// ColorPipelineSteps_Geometry.cpp, colour in ColorPipelineSteps_Color.cpp.
// Every step leaves the image as it was when one of its own buffers cannot
// be obtained.
#pragma once

#include <cstdint>
#include <string>

#include "filter/DeviceMediaBufferInfo.h"
#include "filter/PageMemory.h"
#include "imaging/QlxImgLib.h"

namespace kv71p::filter::pipeline {

// A bitmap record whose image is released with its scope.
class Bitmap {
 public:
  Bitmap() = default;
  ~Bitmap() { IL_FreeBitmap(&record); }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  bool HasImage() const { return record.Data != nullptr; }
  // Releases the image and empties the record.
  void Reset() {
    IL_FreeBitmap(&record);
    record = BITMAPHANDLE{};
  }
  // Releases the image and takes over the one of `other`.
  void Replace(Bitmap& other) {
    Reset();
    record = other.record;
    other.record = BITMAPHANDLE{};
  }

  BITMAPHANDLE record{};
};

// Wraps `height` 24-bit rows of `width` pixels at `data` (RowStride24(width)
// bytes each, ColorOrder 1) without taking the memory over. False when the
// sizes do not make a bitmap (zero, or beyond the record's 32-bit fields).
bool WrapRows(BITMAPHANDLE* bitmap, int64_t width, int64_t height, unsigned char* data);

// Wraps page memory and hands it over to the bitmap. On failure the memory
// is released and the bitmap stays empty.
bool AdoptPage(Bitmap& bitmap, PageMemory memory, int64_t width, int64_t height);

// Resampling for the resolution mode: mode 2 (600 x 600 dpi) halves the
// width; the others leave the page as it is.
void ChangeResolution(Bitmap& page, int64_t resolutionMode);

// The border ratio of a media record: the smaller of the width and length
// shares left inside the margins, in single precision. 0 without media.
float BorderRatio(const DeviceMediaBufferInfo& media);

// Shrinks the page by BorderRatio onto a white canvas, resampling bands of
// 1000 stored rows separately (rows no band reaches stay white).
void FitIntoBorder(Bitmap& page, const DeviceMediaBufferInfo& media);

// Converts the page from sRGB to the device colours of the profile at
// `profilePath`; without a transform the page stays as it was.
void MatchColors(Bitmap& page, const std::string& profilePath);

// Per-channel tone tables: table[k][v] is the new value of byte k.
struct ToneTables {
  unsigned char table[3][256];
};

// The tables that the image library's gamma, intensity and contrast curves
// give, in that order, for channels 0, 1 and 2. False when the library
// could not build them (its planes could not be obtained).
bool BuildToneTables(const int32_t gamma[3], const int32_t brightness[3],
                     const int32_t contrast[3], ToneTables* tables);

// Runs every pixel byte k of the page through table k.
void ApplyToneTables(Bitmap& page, const ToneTables& tables);

}  // namespace kv71p::filter::pipeline
