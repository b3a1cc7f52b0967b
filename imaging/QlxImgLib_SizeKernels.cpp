// Row kernels of the cubic resampler.
//
// Lanes of a vector hold independent sums (the three bytes of a pixel, or
// neighbouring output values); each lane performs exactly the scalar
// operations in the scalar order, so the vector and plain loops agree to
// the bit. Rounding to bytes: clamping trunc(v + 0.5) to 0 ... 255 equals
// "below 0 -> 0, above 255 -> 255, else v + 0.5 truncated" (|v| stays far
// below 2^31 because the weights' absolute values sum to at most 1.5 per
// pass), and the SSE2 pack instructions do that clamping.
#include "QlxImgLib_SizeKernels.h"

#if defined(__SSE2__) && !defined(QLX_NO_SIMD)
#define QLX_SSE2 1
#include <emmintrin.h>
#endif

namespace qlx {

namespace {

inline unsigned char RoundToByte(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<unsigned char>(static_cast<int>(v + 0.5));
}

inline double BlendOne(const double* const* rows, const ResampleTaps& taps, int64_t i) {
  double s = rows[0][i] * taps.weight[0][0];
  for (int32_t j = 1; j < taps.count; ++j) s += rows[j][i] * taps.weight[j][0];
  return s;
}

}  // namespace

#if QLX_SSE2

void WidenBytes(const unsigned char* bytes, int64_t count, double* out) {
  const __m128i zero = _mm_setzero_si128();
  int64_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i lo = _mm_unpacklo_epi8(b, zero);
    const __m128i hi = _mm_unpackhi_epi8(b, zero);
    const __m128i d0 = _mm_unpacklo_epi16(lo, zero), d1 = _mm_unpackhi_epi16(lo, zero);
    const __m128i d2 = _mm_unpacklo_epi16(hi, zero), d3 = _mm_unpackhi_epi16(hi, zero);
    _mm_storeu_pd(out + i, _mm_cvtepi32_pd(d0));
    _mm_storeu_pd(out + i + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(d0, 0x0E)));
    _mm_storeu_pd(out + i + 4, _mm_cvtepi32_pd(d1));
    _mm_storeu_pd(out + i + 6, _mm_cvtepi32_pd(_mm_shuffle_epi32(d1, 0x0E)));
    _mm_storeu_pd(out + i + 8, _mm_cvtepi32_pd(d2));
    _mm_storeu_pd(out + i + 10, _mm_cvtepi32_pd(_mm_shuffle_epi32(d2, 0x0E)));
    _mm_storeu_pd(out + i + 12, _mm_cvtepi32_pd(d3));
    _mm_storeu_pd(out + i + 14, _mm_cvtepi32_pd(_mm_shuffle_epi32(d3, 0x0E)));
  }
  for (; i < count; ++i) out[i] = bytes[i];
  out[count] = 0.0;
}

void ResampleRow(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out) {
  // Lanes (byte 0, byte 1) and (byte 2, spare): the spare lane's result is
  // overwritten by the next column, or lands in the row's spare double.
  for (int32_t x = 0; x < newWidth; ++x, out += 3) {
    const ResampleTaps& tp = columns[x];
    const double* p0 = pixels + 3 * tp.index[0];
    __m128d w = _mm_load_pd(tp.weight[0]);
    __m128d lo = _mm_mul_pd(_mm_loadu_pd(p0), w);
    __m128d hi = _mm_mul_pd(_mm_loadu_pd(p0 + 2), w);
    for (int32_t j = 1; j < tp.count; ++j) {
      const double* p = pixels + 3 * tp.index[j];
      w = _mm_load_pd(tp.weight[j]);
      lo = _mm_add_pd(lo, _mm_mul_pd(_mm_loadu_pd(p), w));
      hi = _mm_add_pd(hi, _mm_mul_pd(_mm_loadu_pd(p + 2), w));
    }
    _mm_storeu_pd(out, lo);
    _mm_storeu_pd(out + 2, hi);
  }
}

namespace {

template <int N>
void BlendRowsN(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out) {
  __m128d w[4];
  for (int j = 0; j < N; ++j) w[j] = _mm_load_pd(taps.weight[j]);
  const __m128d half = _mm_set1_pd(0.5);
  int64_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128d s[4];
    for (int q = 0; q < 4; ++q) s[q] = _mm_mul_pd(_mm_loadu_pd(rows[0] + i + 2 * q), w[0]);
    for (int j = 1; j < N; ++j) {
      for (int q = 0; q < 4; ++q) s[q] = _mm_add_pd(s[q], _mm_mul_pd(_mm_loadu_pd(rows[j] + i + 2 * q), w[j]));
    }
    __m128i v[4];
    for (int q = 0; q < 4; ++q) v[q] = _mm_cvttpd_epi32(_mm_add_pd(s[q], half));
    const __m128i a = _mm_unpacklo_epi64(v[0], v[1]);
    const __m128i b = _mm_unpacklo_epi64(v[2], v[3]);
    const __m128i words = _mm_packs_epi32(a, b);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  for (; i < n; ++i) out[i] = RoundToByte(BlendOne(rows, taps, i));
}

}  // namespace

void BlendRows(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out) {
  switch (taps.count) {
    case 1: BlendRowsN<1>(rows, taps, n, out); break;
    case 2: BlendRowsN<2>(rows, taps, n, out); break;
    case 3: BlendRowsN<3>(rows, taps, n, out); break;
    default: BlendRowsN<4>(rows, taps, n, out); break;
  }
}

#else  // plain loops

void WidenBytes(const unsigned char* bytes, int64_t count, double* out) {
  for (int64_t i = 0; i < count; ++i) out[i] = bytes[i];
  out[count] = 0.0;
}

void ResampleRow(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out) {
  for (int32_t x = 0; x < newWidth; ++x, out += 3) {
    const ResampleTaps& tp = columns[x];
    for (int k = 0; k < 3; ++k) {
      double s = pixels[3 * tp.index[0] + k] * tp.weight[0][0];
      for (int32_t j = 1; j < tp.count; ++j) s += pixels[3 * tp.index[j] + k] * tp.weight[j][0];
      out[k] = s;
    }
  }
}

void BlendRows(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out) {
  for (int64_t i = 0; i < n; ++i) out[i] = RoundToByte(BlendOne(rows, taps, i));
}

#endif

}  // namespace qlx
