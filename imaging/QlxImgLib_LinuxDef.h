/* Memory layer of the image library: the blocks that bitmaps own come from
 * IL_AllocMemory and go back to IL_FreeMemory (on the C heap). A caller that
 * hands memory over to a bitmap (MemHandle) obtains it here.
 *
 * Test hooks (documented here because fault-injection tests rely on them):
 *   QlxMemFailNthAlloc(n)  the n-th IL_AllocMemory call from now on (1 = the
 *                          next one) returns null, once; 0 cancels.
 *   QlxMemFailNthLock(n)   the same for the library's lock of a block (the
 *                          step that turns a block into its data pointer).
 *   QlxMemAllocCalls()     IL_AllocMemory calls so far, refused ones
 *                          included; a test runs a pipeline once, reads the
 *                          count, then refuses each of those calls in turn.
 *   QlxMemLiveBlocks()     blocks obtained from IL_AllocMemory and not yet
 *                          given back to IL_FreeMemory (0 again after a
 *                          leak-free run). Exact when every block handed to
 *                          IL_FreeMemory came from IL_AllocMemory, which is
 *                          the rule for memory handed over to a bitmap.
 *   QlxMemPeakBytes()      highest number of bytes held in blocks since
 *                          QlxMemResetPeak() (usable sizes as the heap
 *                          reports them; 0 where it cannot tell).
 * The counters are atomic; the hooks cost one atomic decrement per call. */
#ifndef QLXIMGLIB_LINUXDEF_H
#define QLXIMGLIB_LINUXDEF_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A new block of `size` bytes, not initialised; null when the heap is
 * exhausted. */
void* IL_AllocMemory(size_t size);
/* Returns a block to the heap; null is ignored. */
void IL_FreeMemory(void* block);

void QlxMemFailNthAlloc(long n);
void QlxMemFailNthLock(long n);
long QlxMemAllocCalls(void);
long QlxMemLiveBlocks(void);
unsigned long long QlxMemPeakBytes(void);
void QlxMemResetPeak(void);

#ifdef __cplusplus
}
#endif

#endif
