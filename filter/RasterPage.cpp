#include "filter/RasterPage.h"

#include <cstring>

namespace kv71p::filter {

namespace {

// Reads and drops `count` bytes of the page; false when a read fails.
bool SkipBytes(cups_raster_t* raster, uint64_t count) {
  unsigned char scratch[65536];
  while (count > 0) {
    const unsigned piece = count < sizeof scratch ? static_cast<unsigned>(count) : sizeof scratch;
    if (cupsRasterReadPixels(raster, scratch, piece) != piece) return false;
    count -= piece;
  }
  return true;
}

// Stores the `count` bytes of a line at the mirrored pixel positions of
// `row` (pixel k at W - 1 - k); a partial last pixel keeps the bytes it has.
void StoreMirrored(const unsigned char* line, uint64_t count, uint64_t width, unsigned char* row) {
  const uint64_t whole = count / 3;
  for (uint64_t k = 0; k < whole; ++k) std::memcpy(row + (width - 1 - k) * 3, line + k * 3, 3);
  if (count > whole * 3) std::memcpy(row + (width - 1 - whole) * 3, line + whole * 3, count - whole * 3);
}

// The row of the page buffer that line `i` goes to (null for a page
// without pixels).
unsigned char* RowOfLine(const RasterPageBuffers& page, uint64_t height, uint64_t i) {
  if (page.pixels == nullptr) return nullptr;
  return page.pixels.get() + (page.mirrored ? i : height - 1 - i) * page.stride;
}

}  // namespace

bool PageLayout(uint64_t width, uint64_t height, uint64_t* stride, uint64_t* size) {
  if (width > kMaxPageSide || height > kMaxPageSide) return false;
  const uint64_t s = RowStride24(width);
  if (s > kMaxPageBytes || (height != 0 && s > kMaxPageBytes / height)) return false;
  *stride = s;
  *size = s * height;
  return true;
}

bool AllocRasterPage(const cups_page_header2_t& header, int orientation, RasterPageBuffers* page) {
  uint64_t size = 0;
  if (!PageLayout(header.cupsWidth, header.cupsHeight, &page->stride, &size)) return false;
  page->mirrored = orientation == 2 || orientation == 4;
  page->used = 0;
  if (size == 0) return true;  // no pixels: an empty photo
  page->pixels = AllocPageMemory(size);
  if (!page->pixels) return false;
  const uint64_t full = static_cast<uint64_t>(header.cupsWidth) * 3;
  page->used = header.cupsBytesPerLine < full ? header.cupsBytesPerLine : full;
  if (page->mirrored && page->used > 0) {
    page->line.reset(static_cast<unsigned char*>(std::malloc(page->used)));
    if (!page->line) return false;
  }
  return true;
}

uint32_t ReadRasterPage(cups_raster_t* raster, const cups_page_header2_t& header,
                        RasterPageBuffers* page, const volatile sig_atomic_t* canceled) {
  const uint64_t width = header.cupsWidth, height = header.cupsHeight;
  const uint64_t used = page->used;
  uint32_t read = 0;
  for (uint64_t i = 0; i < height; ++i) {
    unsigned char* row = RowOfLine(*page, height, i);
    unsigned char* target = page->mirrored ? page->line.get() : row;
    bool ok = used == 0 || cupsRasterReadPixels(raster, target, static_cast<unsigned>(used)) == used;
    if (ok) ok = SkipBytes(raster, header.cupsBytesPerLine - used);
    if (!ok) {
      if (!page->mirrored && used > 0) std::memset(row, 0, used);  // a failed row stays zero
      break;
    }
    if (page->mirrored && used > 0) StoreMirrored(target, used, width, row);
    ++read;
    if (*canceled) break;
  }
  return read;
}

void StoreRasterLine(const cups_page_header2_t& header, RasterPageBuffers* page, uint64_t i,
                     const unsigned char* line) {
  if (i >= header.cupsHeight || page->used == 0) return;
  unsigned char* row = RowOfLine(*page, header.cupsHeight, i);
  if (row == nullptr) return;
  if (page->mirrored)
    StoreMirrored(line, page->used, header.cupsWidth, row);
  else
    std::memcpy(row, line, page->used);
}

void SkipRasterPage(cups_raster_t* raster, const cups_page_header2_t& header,
                    const volatile sig_atomic_t* canceled) {
  for (uint64_t i = 0; i < header.cupsHeight && !*canceled; ++i) {
    if (!SkipBytes(raster, header.cupsBytesPerLine)) return;
  }
}

}  // namespace kv71p::filter
