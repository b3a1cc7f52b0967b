// 3 x 3 sharpening and softening of 24-bit bitmaps.
//
// Each output byte is the sum of nine products taken in a fixed order
// (previous row left, centre, right; own row; next row), truncated and
// clamped. The products depend only on the original byte and its weight, so
// each stored row is turned once into its products (neighbour weight and
// centre weight) before it is overwritten; a window of three such rows
// replaces a copy of the whole image.
#include <iterator>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLibInternal.h"

#include "imaging/QlxImgLib_SharpenKernels.h"

namespace qlx {

namespace {

struct StrengthRow {
  int32_t change;
  double strength;
};

// Rows in rising order of change, from -IL_CHANGE_LIMIT to IL_CHANGE_LIMIT.
const StrengthRow kStrengths[] = {
    {-1000, -1.0},  {-950, -0.75},  {-900, -0.5625}, {-800, -0.39}, {-500, -0.204}, {-200, -0.135},
    {-100, -0.124}, {-50, -0.119},  {-1, -0.117},    {0, 0.0},      {1, 0.126},     {50, 0.14},
    {100, 0.140625}, {650, 0.365},  {700, 0.412},    {750, 0.5},    {800, 0.6046},  {850, 0.8203},
    {900, 1.125},   {950, 2.25},    {1000, 9.0},
};

}  // namespace

double SharpenStrength(int32_t change) {
  if (change == kStrengths[0].change) return kStrengths[0].strength;
  for (const StrengthRow* row = kStrengths + 1; row != std::end(kStrengths); ++row) {
    if (row->change == change) return row->strength;
    if (row->change > change) {
      const StrengthRow& before = row[-1];
      return (change - before.change) * (row->strength - before.strength) /
                 (row->change - before.change) +
             before.strength;
    }
  }
  return std::end(kStrengths)[-1].strength;  // not reached within the range
}

}  // namespace qlx

extern "C" int IL_SharpenBitmap(BITMAPHANDLE* bitmap, int32_t change) {
  if (bitmap == nullptr || bitmap->Data == nullptr) return IL_ERR_NOBITMAP;
  if (bitmap->BitsPerPixel != 24 || !qlx::IsChangeInRange(change) || bitmap->ColorOrder > 1) {
    return IL_ERR_INVALID;
  }
  const int32_t width = bitmap->Width;
  const int32_t height = bitmap->Height;

  const double s = qlx::SharpenStrength(change);
  const double e = s / -9;
  const double c = s * 8 / 9 + 1;

  // Three product rows (previous, own, next), each two arrays of doubles.
  const int64_t count = width > 0 ? static_cast<int64_t>(width) * 3 : 0;
  const size_t arrayBytes = qlx::AlignUp(static_cast<size_t>(count) * sizeof(double));
  qlx::LockedBlock work;
  if (!work.Obtain(arrayBytes * 6)) return IL_ERR_NOMEM;
  if (width <= 0 || height <= 0) return IL_OK;

  qlx::ProductRow slots[3];
  for (int k = 0; k < 3; ++k) {
    slots[k].neighbour = reinterpret_cast<double*>(work.data() + arrayBytes * (2 * k));
    slots[k].centre = reinterpret_cast<double*>(work.data() + arrayBytes * (2 * k + 1));
  }
  const int64_t stride = qlx::RowBytes(width, 24);
  unsigned char* data = bitmap->Data;

  // Rows r - 1, r and r + 1 live in slots (r - 1) % 3, r % 3, (r + 1) % 3.
  qlx::MakeProducts(data, count, e, c, slots[0]);
  for (int32_t r = 0; r < height; ++r) {
    if (r + 1 < height) qlx::MakeProducts(data + (r + 1) * stride, count, e, c, slots[(r + 1) % 3]);
    const qlx::ProductRow& own = slots[r % 3];
    const qlx::ProductRow& prev = r > 0 ? slots[(r - 1) % 3] : own;
    const qlx::ProductRow& next = r + 1 < height ? slots[(r + 1) % 3] : own;
    qlx::SharpenRow(prev, own, next, width, data + r * stride);
  }
  return IL_OK;
}
