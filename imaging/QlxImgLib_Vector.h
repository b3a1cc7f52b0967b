// Which vector instructions the pixel loops use: chosen once from what the
// build and the processor offer. Every level gives the same bits (lanes run
// the scalar operations in the scalar order, never fused); tests switch
// levels to compare them all.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && defined(__GNUC__) && \
    !defined(QLX_NO_SIMD)
#define QLX_X86_VECTORS 1
#define QLX_TARGET_AVX2 __attribute__((target("avx2")))
#else
#define QLX_X86_VECTORS 0
#endif

#if defined(__aarch64__) && defined(__ARM_NEON) && defined(__GNUC__) && !defined(QLX_NO_SIMD)
#define QLX_ARM_VECTORS 1
#else
#define QLX_ARM_VECTORS 0
#endif

namespace qlx {

// Levels count up from the plain loops; what a level above 0 means depends
// on the processor family the library is built for.
enum VectorLevel {
  kPlainLoops = 0,
  kSse2 = 1,  // x86
  kAvx2 = 2,  // x86
  kNeon = 1,  // 64-bit ARM (Advanced SIMD, two doubles a register)
};

// The level in use.
int ActiveVectorLevel();
// The highest level this build and processor support.
int BestVectorLevel();
// Selects `level`, limited to the best one; returns the level now in use.
int SelectVectorLevel(int level);
// "plain loops", "SSE2", "AVX2" or "NEON": what `level` means here.
const char* VectorLevelName(int level);

}  // namespace qlx
