// Row kernels of the cubic resampler (QlxImgLib_Size.cpp), at the vector
// level in use (QlxImgLib_Vector.h). Every level keeps each sum in tap
// order and gives the same bits.
#pragma once

#include <cstdint>

namespace qlx {

// The non-zero taps of one output column or row, in tap order; each weight
// is stored twice so that a vector lane pair can load it directly.
struct alignas(16) ResampleTaps {
  double weight[4][2];
  int32_t index[4];  // source column or row, after the out-of-range rule
  int32_t count;
};

// Widens `count` bytes to doubles; `out` gets one zero double behind them.
void WidenBytes(const unsigned char* bytes, int64_t count, double* out);

// Horizontal pass of one row: `pixels` holds the source row widened (three
// doubles per pixel plus the spare); `out` receives three unrounded sums
// per output column and has one spare double at the end.
void ResampleRow(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out);

// Vertical pass of one output row: n values from the work rows of `taps`,
// each sum rounded to a byte (below 0 -> 0, above 255 -> 255, otherwise
// + 0.5 truncated).
void BlendRows(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out);

}  // namespace qlx
