// Row kernels of the sharpening: plain loops, SSE2, AVX2 and NEON.
//
// Lanes are neighbouring bytes of a row, each summing its own nine products
// in the defined order; the sum is truncated and the pack instructions (on
// ARM the saturating narrows) clamp it to 0 ... 255 (sums stay within
// +-2295).
#include "imaging/QlxImgLib_SharpenKernels.h"

#include "imaging/QlxImgLib_Vector.h"

#if QLX_X86_VECTORS
#include <immintrin.h>
#endif
#if QLX_ARM_VECTORS
#include "imaging/QlxImgLib_NeonLanes.h"
#endif

namespace qlx {

namespace {

inline unsigned char ClampTruncated(double sum) {
  const int v = static_cast<int>(sum);
  if (v >= 256) return 255;
  if (v <= 0) return 0;
  return static_cast<unsigned char>(v);
}

// Previous row left, centre, right; own row left, centre (centre weight),
// right; next row left, centre, right.
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

void MakeProductsPlain(const unsigned char* row, int64_t from, int64_t count, double e, double c, ProductRow out) {
  for (int64_t i = from; i < count; ++i) {
    const double v = row[i];
    out.neighbour[i] = v * e;
    out.centre[i] = v * c;
  }
}

void SharpenInnerPlain(const ProductRow& prev, const ProductRow& own, const ProductRow& next, int64_t from,
                       int64_t last, unsigned char* out) {
  for (int64_t i = from; i < last; ++i) out[i] = SharpenOne(prev, own, next, i - 3, i, i + 3);
}

#if QLX_X86_VECTORS

void MakeProductsSse2(const unsigned char* row, int64_t count, double e, double c, ProductRow out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128d ve = _mm_set1_pd(e), vc = _mm_set1_pd(c);
  int64_t i = 0;
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
  MakeProductsPlain(row, i, count, e, c, out);
}

void SharpenInnerSse2(const ProductRow& prev, const ProductRow& own, const ProductRow& next, int64_t last,
                      unsigned char* out) {
  int64_t i = 3;
  for (; i + 8 <= last; i += 8) {
    __m128i v[4];
    for (int q = 0; q < 4; ++q) {
      const int64_t at = i + 2 * q;
      __m128d s = _mm_loadu_pd(prev.neighbour + at - 3);
      s = _mm_add_pd(s, _mm_loadu_pd(prev.neighbour + at));
      s = _mm_add_pd(s, _mm_loadu_pd(prev.neighbour + at + 3));
      s = _mm_add_pd(s, _mm_loadu_pd(own.neighbour + at - 3));
      s = _mm_add_pd(s, _mm_loadu_pd(own.centre + at));
      s = _mm_add_pd(s, _mm_loadu_pd(own.neighbour + at + 3));
      s = _mm_add_pd(s, _mm_loadu_pd(next.neighbour + at - 3));
      s = _mm_add_pd(s, _mm_loadu_pd(next.neighbour + at));
      s = _mm_add_pd(s, _mm_loadu_pd(next.neighbour + at + 3));
      v[q] = _mm_cvttpd_epi32(s);
    }
    const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(v[0], v[1]), _mm_unpacklo_epi64(v[2], v[3]));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(words, words));
  }
  SharpenInnerPlain(prev, own, next, i, last, out);
}

QLX_TARGET_AVX2 void MakeProductsAvx2(const unsigned char* row, int64_t count, double e, double c, ProductRow out) {
  const __m256d ve = _mm256_set1_pd(e), vc = _mm256_set1_pd(c);
  int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    for (int q = 0; q < 2; ++q) {
      int32_t four;
      __builtin_memcpy(&four, row + i + 4 * q, 4);
      const __m256d v = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
      _mm256_storeu_pd(out.neighbour + i + 4 * q, _mm256_mul_pd(v, ve));
      _mm256_storeu_pd(out.centre + i + 4 * q, _mm256_mul_pd(v, vc));
    }
  }
  MakeProductsPlain(row, i, count, e, c, out);
}

QLX_TARGET_AVX2 void SharpenInnerAvx2(const ProductRow& prev, const ProductRow& own, const ProductRow& next,
                                      int64_t last, unsigned char* out) {
  int64_t i = 3;
  for (; i + 16 <= last; i += 16) {
    __m128i v[4];
    for (int q = 0; q < 4; ++q) {
      const int64_t at = i + 4 * q;
      __m256d s = _mm256_loadu_pd(prev.neighbour + at - 3);
      s = _mm256_add_pd(s, _mm256_loadu_pd(prev.neighbour + at));
      s = _mm256_add_pd(s, _mm256_loadu_pd(prev.neighbour + at + 3));
      s = _mm256_add_pd(s, _mm256_loadu_pd(own.neighbour + at - 3));
      s = _mm256_add_pd(s, _mm256_loadu_pd(own.centre + at));
      s = _mm256_add_pd(s, _mm256_loadu_pd(own.neighbour + at + 3));
      s = _mm256_add_pd(s, _mm256_loadu_pd(next.neighbour + at - 3));
      s = _mm256_add_pd(s, _mm256_loadu_pd(next.neighbour + at));
      s = _mm256_add_pd(s, _mm256_loadu_pd(next.neighbour + at + 3));
      v[q] = _mm256_cvttpd_epi32(s);
    }
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v[0], v[1]), _mm_packs_epi32(v[2], v[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
  }
  SharpenInnerPlain(prev, own, next, i, last, out);
}

#endif  // QLX_X86_VECTORS

#if QLX_ARM_VECTORS

void MakeProductsNeon(const unsigned char* row, int64_t count, double e, double c, ProductRow out) {
  const float64x2_t ve = vdupq_n_f64(e), vc = vdupq_n_f64(c);
  int64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    float64x2_t v[4];
    neon::WidenEight(vld1_u8(row + i), v);
    for (int q = 0; q < 4; ++q) {
      vst1q_f64(out.neighbour + i + 2 * q, vmulq_f64(v[q], ve));
      vst1q_f64(out.centre + i + 2 * q, vmulq_f64(v[q], vc));
    }
  }
  MakeProductsPlain(row, i, count, e, c, out);
}

void SharpenInnerNeon(const ProductRow& prev, const ProductRow& own, const ProductRow& next, int64_t last,
                      unsigned char* out) {
  int64_t i = 3;
  for (; i + 8 <= last; i += 8) {
    float64x2_t sums[4];
    for (int q = 0; q < 4; ++q) {
      const int64_t at = i + 2 * q;
      float64x2_t s = vld1q_f64(prev.neighbour + at - 3);
      s = vaddq_f64(s, vld1q_f64(prev.neighbour + at));
      s = vaddq_f64(s, vld1q_f64(prev.neighbour + at + 3));
      s = vaddq_f64(s, vld1q_f64(own.neighbour + at - 3));
      s = vaddq_f64(s, vld1q_f64(own.centre + at));
      s = vaddq_f64(s, vld1q_f64(own.neighbour + at + 3));
      s = vaddq_f64(s, vld1q_f64(next.neighbour + at - 3));
      s = vaddq_f64(s, vld1q_f64(next.neighbour + at));
      s = vaddq_f64(s, vld1q_f64(next.neighbour + at + 3));
      sums[q] = s;
    }
    vst1_u8(out + i, neon::TruncateToBytes(sums));
  }
  SharpenInnerPlain(prev, own, next, i, last, out);
}

#endif  // QLX_ARM_VECTORS

}  // namespace

void MakeProducts(const unsigned char* row, int64_t count, double e, double c, ProductRow out) {
#if QLX_X86_VECTORS
  const int level = ActiveVectorLevel();
  if (level == kAvx2) return MakeProductsAvx2(row, count, e, c, out);
  if (level == kSse2) return MakeProductsSse2(row, count, e, c, out);
#endif
#if QLX_ARM_VECTORS
  if (ActiveVectorLevel() == kNeon) return MakeProductsNeon(row, count, e, c, out);
#endif
  MakeProductsPlain(row, 0, count, e, c, out);
}

void SharpenRow(const ProductRow& prev, const ProductRow& own, const ProductRow& next, int32_t width,
                unsigned char* out) {
  const int64_t last = static_cast<int64_t>(width - 1) * 3;
  // First and last pixel: a missing neighbour is the pixel itself.
  for (int k = 0; k < 3; ++k) out[k] = SharpenOne(prev, own, next, k, k, width > 1 ? k + 3 : k);
  if (width == 1) return;
  for (int k = 0; k < 3; ++k) out[last + k] = SharpenOne(prev, own, next, last + k - 3, last + k, last + k);
#if QLX_X86_VECTORS
  const int level = ActiveVectorLevel();
  if (level == kAvx2) return SharpenInnerAvx2(prev, own, next, last, out);
  if (level == kSse2) return SharpenInnerSse2(prev, own, next, last, out);
#endif
#if QLX_ARM_VECTORS
  if (ActiveVectorLevel() == kNeon) return SharpenInnerNeon(prev, own, next, last, out);
#endif
  SharpenInnerPlain(prev, own, next, 3, last, out);
}

}  // namespace qlx
