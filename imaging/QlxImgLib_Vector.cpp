#include "imaging/QlxImgLib_Vector.h"

#include <atomic>

#if QLX_ARM_VECTORS
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

namespace qlx {

namespace {

int Detect() {
#if QLX_X86_VECTORS
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? kAvx2 : kSse2;
#elif QLX_ARM_VECTORS
  return (getauxval(AT_HWCAP) & HWCAP_ASIMD) != 0 ? kNeon : kPlainLoops;
#else
  return kPlainLoops;
#endif
}

std::atomic<int>& Level() {
  static std::atomic<int> level{Detect()};
  return level;
}

}  // namespace

int ActiveVectorLevel() { return Level().load(std::memory_order_relaxed); }

int BestVectorLevel() {
  static const int best = Detect();
  return best;
}

int SelectVectorLevel(int level) {
  if (level > BestVectorLevel()) level = BestVectorLevel();
  if (level < kPlainLoops) level = kPlainLoops;
  Level().store(level, std::memory_order_relaxed);
  return level;
}

const char* VectorLevelName(int level) {
  if (level <= kPlainLoops) return "plain loops";
#if QLX_ARM_VECTORS
  return "NEON";
#else
  return level == kSse2 ? "SSE2" : "AVX2";
#endif
}

}  // namespace qlx
