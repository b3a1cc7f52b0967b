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

namespace qlx {

enum VectorLevel { kPlainLoops = 0, kSse2 = 1, kAvx2 = 2 };

// The level in use.
int ActiveVectorLevel();
// The highest level this build and processor support.
int BestVectorLevel();
// Selects `level`, limited to the best one; returns the level now in use.
int SelectVectorLevel(int level);

}  // namespace qlx
