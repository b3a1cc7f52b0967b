/* Memory layer of the image library: the few allocation and copy calls the
 * bitmap operations use, on the C heap. A handle is the block's address.
 *
 * Test hooks (documented here because fault-injection tests rely on them):
 *   QlxMemFailNthAlloc(n)  the n-th GlobalAlloc call from now on (1 = the
 *                          next one) returns null, once; 0 cancels.
 *   QlxMemFailNthLock(n)   the same for GlobalLock.
 *   QlxMemAllocCalls()     GlobalAlloc calls so far, refused ones included;
 *                          a test runs a pipeline once, reads the count, then
 *                          refuses each of those calls in turn.
 *   QlxMemLiveBlocks()     blocks obtained from GlobalAlloc and not yet given
 *                          back to GlobalFree (0 again after a leak-free run).
 *                          Exact when every block handed to GlobalFree came
 *                          from GlobalAlloc, which is the rule for memory
 *                          handed over to a bitmap.
 *   QlxMemPeakBytes()      highest number of bytes held in GlobalAlloc blocks
 *                          since QlxMemResetPeak() (usable sizes as the heap
 *                          reports them; 0 where it cannot tell).
 * The counters are atomic; the hooks cost one atomic decrement per call. */
#ifndef QLXIMGLIB_LINUXDEF_H
#define QLXIMGLIB_LINUXDEF_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HGLOBAL;

/* A new block of `size` bytes (malloc); `flags` is ignored. Null when the
 * heap is exhausted. */
HGLOBAL GlobalAlloc(unsigned int flags, size_t size);
/* The block's data pointer: the handle itself. Null for a null handle. */
void* GlobalLock(HGLOBAL handle);
/* Does nothing; returns 0. */
int GlobalUnlock(HGLOBAL handle);
/* Returns the block to the heap; a null handle is ignored. Returns null. */
HGLOBAL GlobalFree(HGLOBAL handle);
/* Copies `length` bytes and returns `destination` (overlap is tolerated). */
void* CopyMemory(void* destination, const void* source, size_t length);
/* Sets `length` bytes to zero and returns `destination`. */
void* ZeroMemory(void* destination, size_t length);
/* a * b / c with the product in 64 bits, the quotient truncated toward
 * zero. Returns -1 when `c` is 0 or the quotient does not fit in 32 bits. */
int MulDiv(int a, int b, int c);

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
