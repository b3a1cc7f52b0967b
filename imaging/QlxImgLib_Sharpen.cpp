// 3 x 3 sharpening and softening of 24-bit bitmaps.
//
// Each output byte is the sum of nine products taken in a fixed order
// (previous row left, centre, right; own row; next row), truncated and
// clamped. The products depend only on the original byte and its weight, so
// each stored row is turned once into its products (neighbour weight and
// centre weight) before it is overwritten; a window of three such rows
// replaces a copy of the whole image.
#include <algorithm>

#include "QlxImgLib.h"
#include "QlxImgLibInternal.h"

#if defined(__SSE2__) && !defined(QLX_NO_SIMD)
#define QLX_SSE2 1
#include <emmintrin.h>
#endif

namespace qlx {

const KTableRow KTable[21] = {
    {-1000, -1.0},  {-950, -0.75},  {-900, -0.5625}, {-800, -0.39}, {-500, -0.204}, {-200, -0.135},
    {-100, -0.124}, {-50, -0.119},  {-1, -0.117},    {0, 0.0},      {1, 0.126},     {50, 0.14},
    {100, 0.140625}, {650, 0.365},  {700, 0.412},    {750, 0.5},    {800, 0.6046},  {850, 0.8203},
    {900, 1.125},   {950, 2.25},    {1000, 9.0},
};

double SharpenStrength(int32_t change) {
  if (change == -1000) return -1.0;
  for (int i = 1; i < 21; ++i) {
    if (KTable[i].key == change) return KTable[i].strength;
    if (KTable[i].key > change) {
      const KTableRow& before = KTable[i - 1];
      return (change - before.key) * (KTable[i].strength - before.strength) /
                 (KTable[i].key - before.key) +
             before.strength;
    }
  }
  return KTable[20].strength;  // not reached for -1000 ... 1000
}

}  // namespace qlx

namespace {

// One stored row turned into its products: every byte times the neighbour
// weight, and times the centre weight.
struct ProductRow {
  double* neighbour;
  double* centre;
};

void MakeProducts(const unsigned char* row, int64_t count, double e, double c, ProductRow out) {
  int64_t i = 0;
#if QLX_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128d ve = _mm_set1_pd(e), vc = _mm_set1_pd(c);
  for (; i + 8 <= count; i += 8) {
    const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + i)), zero);
    const __m128i lo = _mm_unpacklo_epi16(words, zero), hi = _mm_unpackhi_epi16(words, zero);
    const __m128d v[4] = {_mm_cvtepi32_pd(lo), _mm_cvtepi32_pd(_mm_shuffle_epi32(lo, 0x0E)), _mm_cvtepi32_pd(hi),
                          _mm_cvtepi32_pd(_mm_shuffle_epi32(hi, 0x0E))};
    for (int q = 0; q < 4; ++q) {
      _mm_storeu_pd(out.neighbour + i + 2 * q, _mm_mul_pd(v[q], ve));
      _mm_storeu_pd(out.centre + i + 2 * q, _mm_mul_pd(v[q], vc));
    }
  }
#endif
  for (; i < count; ++i) {
    const double v = row[i];
    out.neighbour[i] = v * e;
    out.centre[i] = v * c;
  }
}

inline unsigned char ClampTruncated(double sum) {
  const int v = static_cast<int>(sum);
  if (v >= 256) return 255;
  if (v <= 0) return 0;
  return static_cast<unsigned char>(v);
}

// The nine products of byte index i with the given neighbour indices.
inline unsigned char SharpenOne(const ProductRow& prev, const ProductRow& own, const ProductRow& next,
                                int64_t left, int64_t i, int64_t right) {
  double s = prev.neighbour[left];
  s += prev.neighbour[i];
  s += prev.neighbour[right];
  s += own.neighbour[left];
  s += own.centre[i];
  s += own.neighbour[right];
  s += next.neighbour[left];
  s += next.neighbour[i];
  s += next.neighbour[right];
  return ClampTruncated(s);
}

void SharpenRow(const ProductRow& prev, const ProductRow& own, const ProductRow& next, int32_t width,
                unsigned char* out) {
  const int64_t last = static_cast<int64_t>(width - 1) * 3;
  // First and last pixel: a missing neighbour is the pixel itself.
  for (int k = 0; k < 3; ++k) {
    out[k] = SharpenOne(prev, own, next, k, k, width > 1 ? k + 3 : k);
  }
  if (width == 1) return;
  for (int k = 0; k < 3; ++k) {
    out[last + k] = SharpenOne(prev, own, next, last + k - 3, last + k, last + k);
  }
  // Inner bytes: lanes are neighbouring bytes, each summing its own nine
  // products in the same order; truncation, then the pack instructions clamp
  // to 0 ... 255 (the sums stay within +-2295).
  int64_t i = 3;
#if QLX_SSE2
  for (; i + 8 <= last; i += 8) {
    __m128d s[4];
    for (int q = 0; q < 4; ++q) {
      const int64_t at = i + 2 * q;
      __m128d v = _mm_loadu_pd(prev.neighbour + at - 3);
      v = _mm_add_pd(v, _mm_loadu_pd(prev.neighbour + at));
      v = _mm_add_pd(v, _mm_loadu_pd(prev.neighbour + at + 3));
      v = _mm_add_pd(v, _mm_loadu_pd(own.neighbour + at - 3));
      v = _mm_add_pd(v, _mm_loadu_pd(own.centre + at));
      v = _mm_add_pd(v, _mm_loadu_pd(own.neighbour + at + 3));
      v = _mm_add_pd(v, _mm_loadu_pd(next.neighbour + at - 3));
      v = _mm_add_pd(v, _mm_loadu_pd(next.neighbour + at));
      s[q] = _mm_add_pd(v, _mm_loadu_pd(next.neighbour + at + 3));
    }
    const __m128i a = _mm_unpacklo_epi64(_mm_cvttpd_epi32(s[0]), _mm_cvttpd_epi32(s[1]));
    const __m128i b = _mm_unpacklo_epi64(_mm_cvttpd_epi32(s[2]), _mm_cvttpd_epi32(s[3]));
    const __m128i words = _mm_packs_epi32(a, b);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
#endif
  for (; i < last; ++i) out[i] = SharpenOne(prev, own, next, i - 3, i, i + 3);
}

}  // namespace

extern "C" int IL_SharpenBitmap(_tagBITMAPHANDLE* bitmap, int32_t change) {
  if (bitmap == nullptr || bitmap->Data == nullptr) return IL_ERR_NOBITMAP;
  if (bitmap->BitsPerPixel != 24 || change < -1000 || change > 1000 || bitmap->ColorOrder > 1) {
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

  ProductRow slots[3];
  for (int k = 0; k < 3; ++k) {
    slots[k].neighbour = reinterpret_cast<double*>(work.data() + arrayBytes * (2 * k));
    slots[k].centre = reinterpret_cast<double*>(work.data() + arrayBytes * (2 * k + 1));
  }
  const int64_t stride = qlx::RowBytes(width, 24);
  unsigned char* data = bitmap->Data;

  // Rows r - 1, r and r + 1 live in slots (r - 1) % 3, r % 3, (r + 1) % 3.
  MakeProducts(data, count, e, c, slots[0]);
  for (int32_t r = 0; r < height; ++r) {
    if (r + 1 < height) MakeProducts(data + (r + 1) * stride, count, e, c, slots[(r + 1) % 3]);
    const ProductRow& own = slots[r % 3];
    const ProductRow& prev = r > 0 ? slots[(r - 1) % 3] : own;
    const ProductRow& next = r + 1 < height ? slots[(r + 1) % 3] : own;
    SharpenRow(prev, own, next, width, data + r * stride);
  }
  return IL_OK;
}
