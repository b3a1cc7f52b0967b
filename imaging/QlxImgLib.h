/* The filter's image library: one bitmap record type and the operations on
 * it (creation, release, copy, cubic resampling, tone curves on plane
 * palettes, saturation, sharpening, plane separation and merging).
 *
 * Every operation returns IL_OK (1) on success or a negative status code.
 * Results are defined to the bit: IEEE double arithmetic in a fixed order,
 * built without floating-point contraction, so the same image and options
 * give the same bytes on every machine. */
#ifndef QLXIMGLIB_H
#define QLXIMGLIB_H

#include <stdint.h>

#include "imaging/QlxImgLib_LinuxDef.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. */
#define IL_OK 1
#define IL_ERR_NOMEM (-1)        /* memory not obtained from IL_AllocMemory */
#define IL_ERR_NOBITMAP (-2)     /* no bitmap / no pixel data (copy, merge, sharpen) */
#define IL_ERR_INVALID (-13)     /* invalid argument or unsupported kind of bitmap */
#define IL_ERR_DEPTH (-27)       /* IL_CreateBitmap: unsupported depth, or 24-bit with palette */
#define IL_ERR_RECORDSIZE (-789) /* record-size argument other than IL_RECORD_SIZE */
#define IL_ERR_DEEPCOLOR (-804)  /* IL_CreateBitmap: 48- or 64-bit depth */
#define IL_ERR_NOIMAGE (-814)    /* no bitmap given to a tone or saturation operation */

/* The record-size argument that IL_CreateBitmap, IL_ColorSeparateBitmap and
 * IL_ColorMergeBitmap require. The record is padded to exactly this size, so
 * callers may pass sizeof(BITMAPHANDLE). */
#define IL_RECORD_SIZE 376

/* IL_CreateBitmap memory kind: pixel memory supplied by the caller. */
#define IL_MEMORY_CALLER 2
/* Row order of every bitmap: bottom row stored first. */
#define IL_ROWORDER_BOTTOMUP 4
/* IL_SizeBitmap method: cubic convolution, the only one. */
#define IL_SIZE_CUBIC 4
/* The change argument of intensity, contrast, saturation and sharpening
 * runs from -IL_CHANGE_LIMIT to IL_CHANGE_LIMIT; others are refused. */
#define IL_CHANGE_LIMIT 1000

/* A bitmap. The caller allocates the record (zero-filled, on the stack or
 * inside another object) and the library fills it.
 *   MemHandle  block owned by the bitmap (from IL_AllocMemory), or null
 *              when the pixel memory is the caller's. Setting it to Data
 *              hands a block of IL_AllocMemory over to the bitmap.
 *   Data       first byte of the first stored row (the bottom row).
 *   BytesPerLine = ((Width * BitsPerPixel + 31) / 32) * 4.
 *   Colors     256 for 8-bit planes, 0 for 24-bit bitmaps.
 *   Palette    Colors entries of 4 bytes; byte k of an entry serves plane k;
 *              for planes it lies in the same block behind the pixels.
 *   ColorOrder 24-bit: 1 = byte k is plane k, 0 = bytes reversed; 8-bit: 0.
 *   Size       BytesPerLine * Height.
 * Reserved pads the record to IL_RECORD_SIZE bytes; the library never reads
 * or writes it. */
typedef struct IL_BitmapRecord {
  void* MemHandle;
  unsigned char* Data;
  int32_t Width;
  int32_t Height;
  int32_t BitsPerPixel;
  int32_t BytesPerLine;
  int32_t Colors;
  unsigned char* Palette;
  int32_t RowOrder;
  int32_t ColorOrder;
  uint64_t Size;
  unsigned char Reserved[312];
} BITMAPHANDLE;

#ifdef __cplusplus
static_assert(sizeof(BITMAPHANDLE) == IL_RECORD_SIZE, "bitmap record size");
#else
_Static_assert(sizeof(struct IL_BitmapRecord) == IL_RECORD_SIZE, "bitmap record size");
#endif

/* ---- Record, copy, resampling ------------------------------------------ */

/* Fills `bitmap` around caller memory (memoryKind IL_MEMORY_CALLER); the
 * memory stays the caller's (MemHandle null). 8-bit needs colorOrder 2 and a
 * palette; 24-bit takes no palette and colorOrder 0, 1 or 2 (2 is stored as
 * 1). dataSize must be BytesPerLine * height. Allocates nothing. */
int IL_CreateBitmap(BITMAPHANDLE* bitmap, int32_t recordSize, int32_t memoryKind,
                    int32_t width, int32_t height, int32_t bitsPerPixel, int32_t colorOrder,
                    unsigned char* palette, int32_t rowOrder, unsigned char* data,
                    uint64_t dataSize);

/* Releases owned memory and clears MemHandle, Data and Palette; borrowed
 * memory is only forgotten. Null and empty records are ignored. */
void IL_FreeBitmap(BITMAPHANDLE* bitmap);

/* Copies the pixels of one 24-bit bitmap into another that has its memory;
 * different sizes copy the common area aligned at the top-left corner. */
int IL_CopyBitmapData(BITMAPHANDLE* destination, const BITMAPHANDLE* source);

/* Resamples a 24-bit bitmap in place with the cubic filter (method
 * IL_SIZE_CUBIC). The bitmap then owns a new block; old memory it owned is
 * released, borrowed memory is left to the caller. On failure the bitmap is
 * unchanged. Works with the output block plus a window of a few rows. */
int IL_SizeBitmap(BITMAPHANDLE* bitmap, int32_t newWidth, int32_t newHeight,
                  int32_t method);

/* ---- Tone curves on 8-bit planes, saturation on 24-bit bitmaps --------- */

int IL_GammaCorrectBitmap(BITMAPHANDLE* bitmap, int32_t gamma);      /* 100 = identity */
int IL_ChangeBitmapIntensity(BITMAPHANDLE* bitmap, int32_t change);  /* IL_CHANGE_LIMIT */
int IL_ChangeBitmapContrast(BITMAPHANDLE* bitmap, int32_t change);   /* IL_CHANGE_LIMIT */
int IL_ChangeBitmapSaturation(BITMAPHANDLE* bitmap, int32_t change); /* IL_CHANGE_LIMIT */

/* ---- Sharpening, planes ------------------------------------------------- */

/* 3 x 3 sharpening (change > 0) or softening (change < 0), IL_CHANGE_LIMIT. */
int IL_SharpenBitmap(BITMAPHANDLE* bitmap, int32_t change);

/* Splits a 24-bit bitmap into three 8-bit planes with identity palettes;
 * planes[k] receive plane k (each owns one block: pixels, then palette). */
int IL_ColorSeparateBitmap(const BITMAPHANDLE* bitmap, BITMAPHANDLE** planes,
                           int32_t recordSize, int32_t flags);

/* Rebuilds a 24-bit bitmap (ColorOrder 1) from three planes, each pixel run
 * through its plane's palette. The result record is overwritten. */
int IL_ColorMergeBitmap(BITMAPHANDLE* bitmap, BITMAPHANDLE** planes,
                        int32_t recordSize, int32_t flags);

#ifdef __cplusplus
}
#endif

#endif
