// Geometry steps of the colour pipeline: wrapping the page, resolution
// and the border fit.
#include <cstdint>
#include <cstring>

#include "filter/ColorPipelineSteps.h"

namespace kv71p::filter::pipeline {

namespace {

// The border fit resamples the page in bands of this many stored rows.
constexpr int64_t kBorderBandRows = 1000;

bool FitsInt32(int64_t value) { return value > 0 && value <= INT32_MAX; }

// One share of the page inside the margins, computed in double precision
// from the single-precision values and rounded to single precision.
float InsideShare(int32_t base, int32_t margin) {
  const double b = static_cast<float>(base);
  const double m = static_cast<float>(margin);
  return static_cast<float>((b - 2.0 * m) / b);
}

// A single-precision product, truncated toward zero.
int64_t Scaled(int64_t size, float ratio) {
  return static_cast<int64_t>(static_cast<float>(size) * ratio);
}

}  // namespace

bool WrapRows(BITMAPHANDLE* bitmap, int64_t width, int64_t height, unsigned char* data) {
  if (!FitsInt32(width) || !FitsInt32(height) || data == nullptr) return false;
  const uint64_t stride = RowStride24(static_cast<uint64_t>(width));
  if (stride > INT32_MAX) return false;
  return IL_CreateBitmap(bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, static_cast<int32_t>(width),
                         static_cast<int32_t>(height), 24, 1, nullptr, IL_ROWORDER_BOTTOMUP, data,
                         stride * static_cast<uint64_t>(height)) == IL_OK;
}

bool AdoptPage(Bitmap& bitmap, PageMemory memory, int64_t width, int64_t height) {
  bitmap.Reset();
  if (!WrapRows(&bitmap.record, width, height, memory.get())) {
    bitmap.record = BITMAPHANDLE{};
    return false;
  }
  bitmap.record.MemHandle = memory.release();
  return true;
}

void ChangeResolution(Bitmap& page, int64_t resolutionMode) {
  if (!page.HasImage() || resolutionMode != 2) return;
  IL_SizeBitmap(&page.record, static_cast<int32_t>(page.record.Width / 2), page.record.Height, IL_SIZE_CUBIC);
}

float BorderRatio(const DeviceMediaBufferInfo& media) {
  if (media.baseWidth <= 0 || media.baseLength <= 0) return 0;
  const float acrossWidth = InsideShare(media.baseWidth, media.marginWidth);
  const float alongLength = InsideShare(media.baseLength, media.marginLength);
  return alongLength < acrossWidth ? alongLength : acrossWidth;
}

void FitIntoBorder(Bitmap& page, const DeviceMediaBufferInfo& media) {
  if (!page.HasImage()) return;
  const float ratio = BorderRatio(media);
  if (!(ratio > 0 && ratio <= 1)) return;
  const int64_t width = page.record.Width, height = page.record.Height;
  const int64_t newWidth = Scaled(width, ratio), newHeight = Scaled(height, ratio);
  if (newWidth <= 0 || newHeight <= 0) {
    page.Reset();  // the photo shrinks to nothing
    return;
  }

  const uint64_t canvasStride = RowStride24(static_cast<uint64_t>(newWidth));
  const uint64_t canvasSize = canvasStride * static_cast<uint64_t>(newHeight);
  PageMemory white = AllocPageMemory(canvasSize, false);
  if (!white) return;
  std::memset(white.get(), 255, canvasSize);
  Bitmap canvas;
  if (!AdoptPage(canvas, std::move(white), newWidth, newHeight)) return;

  // Each band is resampled straight from the page's rows (the library only
  // reads them) and its rows follow those of the bands before it.
  const uint64_t stride = static_cast<uint64_t>(page.record.BytesPerLine);
  int64_t filled = 0;
  for (int64_t first = 0; first < height; first += kBorderBandRows) {
    const int64_t rows = height - first < kBorderBandRows ? height - first : kBorderBandRows;
    const int64_t scaledRows = Scaled(rows, ratio);
    if (scaledRows <= 0 || filled >= newHeight) continue;
    Bitmap band;
    if (!WrapRows(&band.record, width, rows, page.record.Data + static_cast<uint64_t>(first) * stride))
      continue;
    if (IL_SizeBitmap(&band.record, static_cast<int32_t>(newWidth),
                      static_cast<int32_t>(scaledRows), IL_SIZE_CUBIC) != IL_OK)
      continue;
    const int64_t copied = scaledRows < newHeight - filled ? scaledRows : newHeight - filled;
    std::memcpy(canvas.record.Data + static_cast<uint64_t>(filled) * canvasStride, band.record.Data,
                static_cast<size_t>(copied) * canvasStride);
    filled += copied;
  }
  page.Replace(canvas);
}

}  // namespace kv71p::filter::pipeline
