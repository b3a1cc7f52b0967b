// Heap-backed memory layer of the image library with its test hooks.
#include "imaging/QlxImgLib_LinuxDef.h"

#include <atomic>
#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "imaging/QlxImgLibInternal.h"

namespace {

std::atomic<long> allocCalls{0};
std::atomic<long> liveBlocks{0};
std::atomic<long> allocCountdown{0};  // > 0: calls left until the refused one
std::atomic<long> lockCountdown{0};
std::atomic<unsigned long long> liveBytes{0};
std::atomic<unsigned long long> peakBytes{0};

unsigned long long BlockBytes(void* block) {
#if defined(__GLIBC__)
  return malloc_usable_size(block);
#else
  (void)block;
  return 0;
#endif
}

// True when this call is the one a test asked to refuse.
bool RefuseThisCall(std::atomic<long>& countdown) {
  long left = countdown.load(std::memory_order_relaxed);
  while (left > 0) {
    if (countdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return left == 1;
  }
  return false;
}

}  // namespace

namespace qlx {

void* LockMemory(void* block) {
  if (RefuseThisCall(lockCountdown)) return nullptr;
  return block;
}

}  // namespace qlx

extern "C" {

void* IL_AllocMemory(size_t size) {
  allocCalls.fetch_add(1, std::memory_order_relaxed);
  if (RefuseThisCall(allocCountdown)) return nullptr;
  void* block = nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Page-sized images: 2 MB pages, so that the first touch of a fresh image
  // costs a few hundred faults instead of thousands.
  constexpr size_t kHuge = size_t(2) << 20;
  if (size >= 4 * kHuge) {
    if (posix_memalign(&block, kHuge, size) != 0) block = nullptr;
    if (block != nullptr) madvise(block, size, MADV_HUGEPAGE);
  } else
#endif
    block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) {
    liveBlocks.fetch_add(1, std::memory_order_relaxed);
    const unsigned long long bytes = BlockBytes(block);
    const unsigned long long now = liveBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    unsigned long long peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
  }
  return block;
}

void IL_FreeMemory(void* block) {
  if (block == nullptr) return;
  liveBlocks.fetch_sub(1, std::memory_order_relaxed);
  liveBytes.fetch_sub(BlockBytes(block), std::memory_order_relaxed);
  std::free(block);
}

void QlxMemFailNthAlloc(long n) { allocCountdown.store(n > 0 ? n : 0, std::memory_order_relaxed); }
void QlxMemFailNthLock(long n) { lockCountdown.store(n > 0 ? n : 0, std::memory_order_relaxed); }
long QlxMemAllocCalls(void) { return allocCalls.load(std::memory_order_relaxed); }
long QlxMemLiveBlocks(void) { return liveBlocks.load(std::memory_order_relaxed); }
unsigned long long QlxMemPeakBytes(void) { return peakBytes.load(std::memory_order_relaxed); }
void QlxMemResetPeak(void) { peakBytes.store(liveBytes.load(std::memory_order_relaxed), std::memory_order_relaxed); }

}  // extern "C"
