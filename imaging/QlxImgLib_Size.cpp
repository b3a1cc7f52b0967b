// Cubic resampling of 24-bit bitmaps.
//
// Output column x samples source position p = x * Width / newWidth with the
// four taps t - 1 ... t + 2 (t = p truncated), each weighted by the cubic
// kernel at its distance; a tap outside the row takes column t. Rows are
// resampled horizontally first (sums kept unrounded), then the output rows
// are taken vertically from those sums in the same way and rounded to bytes.
//
// Weights and tap positions are computed once per output column and once per
// output row. Only the horizontally resampled rows that some output row uses
// are computed, each once, and at most four are kept: the vertical taps of
// consecutive output rows move forward only. Taps whose weight is exactly
// zero are left out: adding a zero product changes no sum (at most the sign
// of a zero sum, which rounds to the same byte).
#include <algorithm>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLibInternal.h"
#include "imaging/QlxImgLib_SizeKernels.h"

namespace {

using qlx::ResampleTaps;

ResampleTaps MakeTaps(double step, int32_t position, int32_t extent) {
  const double p = step * position;
  const int32_t t = static_cast<int32_t>(p);
  ResampleTaps taps{};
  for (int32_t k = t - 1; k <= t + 2; ++k) {
    const double w = qlx::CubicWeight(k - p);
    if (w == 0.0) continue;
    taps.index[taps.count] = (k < 0 || k >= extent) ? t : k;
    taps.weight[taps.count][0] = taps.weight[taps.count][1] = w;
    ++taps.count;
  }
  return taps;
}

}  // namespace

extern "C" int IL_SizeBitmap(BITMAPHANDLE* bitmap, int32_t newWidth, int32_t newHeight,
                             int32_t method) {
  if (bitmap == nullptr || bitmap->Data == nullptr || bitmap->BitsPerPixel != 24 ||
      bitmap->ColorOrder >= 2 || newWidth <= 0 || newHeight <= 0 || method != IL_SIZE_CUBIC) {
    return IL_ERR_INVALID;
  }
  // A source without pixels has no column t to fall back on.
  const int32_t width = bitmap->Width;
  const int32_t height = bitmap->Height;
  if (width <= 0 || height <= 0) return IL_ERR_INVALID;
  const int64_t newStride = qlx::RowBytes(newWidth, 24);
  if (newStride > INT32_MAX) return IL_ERR_INVALID;
  const uint64_t newSize = static_cast<uint64_t>(newStride) * static_cast<uint64_t>(newHeight);
  if (newSize > SIZE_MAX) return IL_ERR_NOMEM;

  qlx::LockedBlock output;
  if (!output.Obtain(static_cast<size_t>(newSize))) return IL_ERR_NOMEM;

  // Work memory: the widened source row, four work rows, the column taps
  // (each row with one spare double).
  const size_t pixelsBytes = qlx::AlignUp((static_cast<size_t>(width) * 3 + 1) * sizeof(double));
  const size_t workRowBytes = qlx::AlignUp((static_cast<size_t>(newWidth) * 3 + 1) * sizeof(double));
  const size_t tapsBytes = qlx::AlignUp(static_cast<size_t>(newWidth) * sizeof(ResampleTaps));
  qlx::LockedBlock work;
  if (!work.Obtain(pixelsBytes + 4 * workRowBytes + tapsBytes)) return IL_ERR_NOMEM;
  double* pixels = reinterpret_cast<double*>(work.data());
  double* ring[4];
  for (int k = 0; k < 4; ++k) ring[k] = reinterpret_cast<double*>(work.data() + pixelsBytes + k * workRowBytes);
  ResampleTaps* columns = reinterpret_cast<ResampleTaps*>(work.data() + pixelsBytes + 4 * workRowBytes);
  int32_t ringRow[4] = {-1, -1, -1, -1};

  const double sx = static_cast<double>(width) / static_cast<double>(newWidth);
  const double sy = static_cast<double>(height) / static_cast<double>(newHeight);
  for (int32_t x = 0; x < newWidth; ++x) columns[x] = MakeTaps(sx, x, width);

  const int64_t stride = qlx::RowBytes(width, 24);
  const unsigned char* source = bitmap->Data;
  unsigned char* target = output.data();
  const int64_t outCount = static_cast<int64_t>(newWidth) * 3;

  for (int32_t y = 0; y < newHeight; ++y) {
    const ResampleTaps rowTaps = MakeTaps(sy, y, height);
    const double* rows[4];
    for (int32_t j = 0; j < rowTaps.count; ++j) {
      const int32_t k = rowTaps.index[j];
      const int slot = k & 3;
      if (ringRow[slot] != k) {
        qlx::WidenBytes(source + k * stride, static_cast<int64_t>(width) * 3, pixels);
        qlx::ResampleRow(pixels, columns, newWidth, ring[slot]);
        ringRow[slot] = k;
      }
      rows[j] = ring[slot];
    }
    unsigned char* out = target + y * newStride;
    qlx::BlendRows(rows, rowTaps, outCount, out);
    for (int64_t i = outCount; i < newStride; ++i) out[i] = 0;  // row padding
  }
  work.Release();

  if (bitmap->MemHandle != nullptr) {
    IL_FreeMemory(bitmap->MemHandle);
    bitmap->Palette = nullptr;
  }
  bitmap->Data = output.data();
  bitmap->MemHandle = output.Keep();
  bitmap->Width = newWidth;
  bitmap->Height = newHeight;
  bitmap->BytesPerLine = static_cast<int32_t>(newStride);
  bitmap->Size = newSize;
  return IL_OK;
}
