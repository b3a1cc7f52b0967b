// Lane helpers the NEON row kernels share: widening bytes to doubles and
// narrowing truncated sums back to bytes with saturation, as the x86 pack
// instructions clamp.
#pragma once

#include <arm_neon.h>

namespace qlx::neon {

// Two doubles truncated to integers (saturating), narrowed with saturation
// to two int32 lanes.
inline int32x2_t TruncateToInt32(float64x2_t v) { return vqmovn_s64(vcvtq_s64_f64(v)); }

// Eight values of four lane pairs, each truncated, to eight bytes clamped
// to 0 ... 255 (the narrows saturate as the x86 packs do).
inline uint8x8_t TruncateToBytes(const float64x2_t v[4]) {
  const int32x4_t lo = vcombine_s32(TruncateToInt32(v[0]), TruncateToInt32(v[1]));
  const int32x4_t hi = vcombine_s32(TruncateToInt32(v[2]), TruncateToInt32(v[3]));
  return vqmovun_s16(vcombine_s16(vqmovn_s32(lo), vqmovn_s32(hi)));
}

// Eight bytes widened to four pairs of doubles.
inline void WidenEight(uint8x8_t bytes, float64x2_t out[4]) {
  const uint16x8_t words = vmovl_u8(bytes);
  const uint32x4_t lo = vmovl_u16(vget_low_u16(words)), hi = vmovl_u16(vget_high_u16(words));
  out[0] = vcvtq_f64_u64(vmovl_u32(vget_low_u32(lo)));
  out[1] = vcvtq_f64_u64(vmovl_u32(vget_high_u32(lo)));
  out[2] = vcvtq_f64_u64(vmovl_u32(vget_low_u32(hi)));
  out[3] = vcvtq_f64_u64(vmovl_u32(vget_high_u32(hi)));
}

}  // namespace qlx::neon
