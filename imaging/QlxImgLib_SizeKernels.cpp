// Row kernels of the cubic resampler: plain loops, SSE2, AVX2 and NEON.
//
// Lanes of a vector hold independent sums (the three bytes of a pixel, or
// neighbouring output values); each lane performs exactly the scalar
// operations in the scalar order, so every level agrees to the bit.
// Rounding to bytes: clamping trunc(v + 0.5) to 0 ... 255 equals "below 0 ->
// 0, above 255 -> 255, else v + 0.5 truncated" (|v| stays far below 2^15:
// the absolute weights of a pass sum to at most 1.5), and the pack
// instructions (on ARM the saturating narrows) do that clamping.
#include "imaging/QlxImgLib_SizeKernels.h"

#include "imaging/QlxImgLib_Vector.h"

#if QLX_X86_VECTORS
#include <immintrin.h>
#endif
#if QLX_ARM_VECTORS
#include "imaging/QlxImgLib_NeonLanes.h"
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

// ---- plain loops ----

void WidenBytesPlain(const unsigned char* bytes, int64_t count, double* out) {
  for (int64_t i = 0; i < count; ++i) out[i] = bytes[i];
}

void ResampleRowPlain(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out) {
  for (int32_t x = 0; x < newWidth; ++x, out += 3) {
    const ResampleTaps& tp = columns[x];
    for (int k = 0; k < 3; ++k) {
      double s = pixels[3 * tp.index[0] + k] * tp.weight[0][0];
      for (int32_t j = 1; j < tp.count; ++j) s += pixels[3 * tp.index[j] + k] * tp.weight[j][0];
      out[k] = s;
    }
  }
}

void BlendRowsPlain(const double* const* rows, const ResampleTaps& taps, int64_t from, int64_t n,
                    unsigned char* out) {
  for (int64_t i = from; i < n; ++i) out[i] = RoundToByte(BlendOne(rows, taps, i));
}

#if QLX_X86_VECTORS

// ---- SSE2 ----

void WidenBytesSse2(const unsigned char* bytes, int64_t count, double* out) {
  const __m128i zero = _mm_setzero_si128();
  int64_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i lo = _mm_unpacklo_epi8(b, zero);
    const __m128i hi = _mm_unpackhi_epi8(b, zero);
    const __m128i d[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero), _mm_unpacklo_epi16(hi, zero),
                          _mm_unpackhi_epi16(hi, zero)};
    for (int q = 0; q < 4; ++q) {
      _mm_storeu_pd(out + i + 4 * q, _mm_cvtepi32_pd(d[q]));
      _mm_storeu_pd(out + i + 4 * q + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(d[q], 0x0E)));
    }
  }
  WidenBytesPlain(bytes + i, count - i, out + i);
}

void ResampleRowSse2(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out) {
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

template <int N>
void BlendRowsSse2(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out) {
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
    const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(v[0], v[1]), _mm_unpacklo_epi64(v[2], v[3]));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  BlendRowsPlain(rows, taps, i, n, out);
}

// ---- AVX2 (no FMA: products and sums stay separate operations) ----

QLX_TARGET_AVX2 void WidenBytesAvx2(const unsigned char* bytes, int64_t count, double* out) {
  int64_t i = 0;
  for (; i + 16 <= count; i += 16) {
    for (int q = 0; q < 4; ++q) {
      int32_t four;
      __builtin_memcpy(&four, bytes + i + 4 * q, 4);
      _mm256_storeu_pd(out + i + 4 * q, _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four))));
    }
  }
  WidenBytesPlain(bytes + i, count - i, out + i);
}

QLX_TARGET_AVX2 void ResampleRowAvx2(const double* pixels, const ResampleTaps* columns, int32_t newWidth,
                                     double* out) {
  // Lanes (byte 0, byte 1, byte 2, spare), as in the SSE2 loop.
  for (int32_t x = 0; x < newWidth; ++x, out += 3) {
    const ResampleTaps& tp = columns[x];
    __m256d s = _mm256_mul_pd(_mm256_loadu_pd(pixels + 3 * tp.index[0]), _mm256_broadcast_sd(tp.weight[0]));
    for (int32_t j = 1; j < tp.count; ++j) {
      s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_loadu_pd(pixels + 3 * tp.index[j]), _mm256_broadcast_sd(tp.weight[j])));
    }
    _mm256_storeu_pd(out, s);
  }
}

template <int N>
QLX_TARGET_AVX2 void BlendRowsAvx2(const double* const* rows, const ResampleTaps& taps, int64_t n,
                                   unsigned char* out) {
  __m256d w[4];
  for (int j = 0; j < N; ++j) w[j] = _mm256_broadcast_sd(taps.weight[j]);
  const __m256d half = _mm256_set1_pd(0.5);
  int64_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256d s[4];
    for (int q = 0; q < 4; ++q) s[q] = _mm256_mul_pd(_mm256_loadu_pd(rows[0] + i + 4 * q), w[0]);
    for (int j = 1; j < N; ++j) {
      for (int q = 0; q < 4; ++q) {
        s[q] = _mm256_add_pd(s[q], _mm256_mul_pd(_mm256_loadu_pd(rows[j] + i + 4 * q), w[j]));
      }
    }
    __m128i v[4];
    for (int q = 0; q < 4; ++q) v[q] = _mm256_cvttpd_epi32(_mm256_add_pd(s[q], half));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v[0], v[1]), _mm_packs_epi32(v[2], v[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
  }
  BlendRowsPlain(rows, taps, i, n, out);
}

#endif  // QLX_X86_VECTORS

#if QLX_ARM_VECTORS

// ---- NEON (two doubles a register, as SSE2; products and sums stay
// separate instructions: never vfmaq_f64) ----

void WidenBytesNeon(const unsigned char* bytes, int64_t count, double* out) {
  int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    float64x2_t d[4];
    neon::WidenEight(vld1_u8(bytes + i), d);
    for (int q = 0; q < 4; ++q) vst1q_f64(out + i + 2 * q, d[q]);
  }
  WidenBytesPlain(bytes + i, count - i, out + i);
}

void ResampleRowNeon(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out) {
  // Lanes (byte 0, byte 1) and (byte 2, spare), as in the SSE2 loop.
  for (int32_t x = 0; x < newWidth; ++x, out += 3) {
    const ResampleTaps& tp = columns[x];
    const double* p0 = pixels + 3 * tp.index[0];
    float64x2_t w = vld1q_f64(tp.weight[0]);
    float64x2_t lo = vmulq_f64(vld1q_f64(p0), w);
    float64x2_t hi = vmulq_f64(vld1q_f64(p0 + 2), w);
    for (int32_t j = 1; j < tp.count; ++j) {
      const double* p = pixels + 3 * tp.index[j];
      w = vld1q_f64(tp.weight[j]);
      lo = vaddq_f64(lo, vmulq_f64(vld1q_f64(p), w));
      hi = vaddq_f64(hi, vmulq_f64(vld1q_f64(p + 2), w));
    }
    vst1q_f64(out, lo);
    vst1q_f64(out + 2, hi);
  }
}

template <int N>
void BlendRowsNeon(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out) {
  float64x2_t w[4];
  for (int j = 0; j < N; ++j) w[j] = vld1q_f64(taps.weight[j]);
  const float64x2_t half = vdupq_n_f64(0.5);
  int64_t i = 0;
  for (; i + 8 <= n; i += 8) {
    float64x2_t s[4];
    for (int q = 0; q < 4; ++q) s[q] = vmulq_f64(vld1q_f64(rows[0] + i + 2 * q), w[0]);
    for (int j = 1; j < N; ++j) {
      for (int q = 0; q < 4; ++q) s[q] = vaddq_f64(s[q], vmulq_f64(vld1q_f64(rows[j] + i + 2 * q), w[j]));
    }
    for (int q = 0; q < 4; ++q) s[q] = vaddq_f64(s[q], half);
    vst1_u8(out + i, neon::TruncateToBytes(s));
  }
  BlendRowsPlain(rows, taps, i, n, out);
}

#endif  // QLX_ARM_VECTORS

}  // namespace

void WidenBytes(const unsigned char* bytes, int64_t count, double* out) {
#if QLX_X86_VECTORS
  const int level = ActiveVectorLevel();
  if (level == kAvx2) {
    WidenBytesAvx2(bytes, count, out);
  } else if (level == kSse2) {
    WidenBytesSse2(bytes, count, out);
  } else
#endif
#if QLX_ARM_VECTORS
  if (ActiveVectorLevel() == kNeon) {
    WidenBytesNeon(bytes, count, out);
  } else
#endif
  {
    WidenBytesPlain(bytes, count, out);
  }
  out[count] = 0.0;
}

void ResampleRow(const double* pixels, const ResampleTaps* columns, int32_t newWidth, double* out) {
#if QLX_X86_VECTORS
  const int level = ActiveVectorLevel();
  if (level == kAvx2) return ResampleRowAvx2(pixels, columns, newWidth, out);
  if (level == kSse2) return ResampleRowSse2(pixels, columns, newWidth, out);
#endif
#if QLX_ARM_VECTORS
  if (ActiveVectorLevel() == kNeon) return ResampleRowNeon(pixels, columns, newWidth, out);
#endif
  ResampleRowPlain(pixels, columns, newWidth, out);
}

void BlendRows(const double* const* rows, const ResampleTaps& taps, int64_t n, unsigned char* out) {
#if QLX_X86_VECTORS
  const int level = ActiveVectorLevel();
  if (level == kAvx2) {
    switch (taps.count) {
      case 1: return BlendRowsAvx2<1>(rows, taps, n, out);
      case 2: return BlendRowsAvx2<2>(rows, taps, n, out);
      case 3: return BlendRowsAvx2<3>(rows, taps, n, out);
      default: return BlendRowsAvx2<4>(rows, taps, n, out);
    }
  }
  if (level == kSse2) {
    switch (taps.count) {
      case 1: return BlendRowsSse2<1>(rows, taps, n, out);
      case 2: return BlendRowsSse2<2>(rows, taps, n, out);
      case 3: return BlendRowsSse2<3>(rows, taps, n, out);
      default: return BlendRowsSse2<4>(rows, taps, n, out);
    }
  }
#endif
#if QLX_ARM_VECTORS
  if (ActiveVectorLevel() == kNeon) {
    switch (taps.count) {
      case 1: return BlendRowsNeon<1>(rows, taps, n, out);
      case 2: return BlendRowsNeon<2>(rows, taps, n, out);
      case 3: return BlendRowsNeon<3>(rows, taps, n, out);
      default: return BlendRowsNeon<4>(rows, taps, n, out);
    }
  }
#endif
  BlendRowsPlain(rows, taps, 0, n, out);
}

}  // namespace qlx
