// Reading one CUPS raster page into the filter's page buffer. The page
// header comes from the print data and is not trusted: the buffer size is
// checked against a bound before anything is allocated, and a line is never
// read past its end.
#pragma once

#include <cups/raster.h>
#include <signal.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "filter/PageMemory.h"

namespace kv71p::filter {

// Largest page buffer the filter accepts (a 600 dpi page of the longest
// media takes about 107 MB), and the largest width or height in pixels (the
// longest media is 7272 pixels long at 600 dpi).
inline constexpr uint64_t kMaxPageBytes = uint64_t{1} << 30;
inline constexpr uint64_t kMaxPageSide = 65535;

// Layout of the page buffer for a page of `width` x `height` pixels: rows
// of RowStride24(width) bytes, `height` rows. False when a side exceeds
// kMaxPageSide or the buffer would exceed kMaxPageBytes.
bool PageLayout(uint64_t width, uint64_t height, uint64_t* stride, uint64_t* size);

struct LineMemoryFree {
  void operator()(unsigned char* memory) const { std::free(memory); }
};

// The buffers of one page: the zero-filled page buffer (null for a page
// without pixels) and, for the mirrored orientations, a buffer for the
// stored part of a line (upright lines are read straight into their rows).
struct RasterPageBuffers {
  PageMemory pixels;
  std::unique_ptr<unsigned char, LineMemoryFree> line;
  uint64_t stride = 0;
  uint64_t used = 0;  // bytes of each line that are stored: min(cupsBytesPerLine, W x 3)
  bool mirrored = false;
};

// Obtains the buffers for the page of `header`. False when they would
// exceed the bound or cannot be obtained: the page is then skipped.
bool AllocRasterPage(const cups_page_header2_t& header, int orientation, RasterPageBuffers* page);

// Reads the lines of the current page into the page buffer, reordered by
// the orientation:
//   2 or 4: line i goes to stored row i, pixel k to position W - 1 - k
//           (the picture turned by 180 degrees);
//   other:  line i goes to stored row H - 1 - i, pixels unchanged.
// Pixel k is bytes 3k to 3k + 2 of a line; only the first W x 3 bytes are
// used, and of a shorter line only the bytes it has. Stops after a failed
// read (that row and the rows not read stay zero) or once `canceled` is
// set. Returns the number of lines read.
uint32_t ReadRasterPage(cups_raster_t* raster, const cups_page_header2_t& header,
                        RasterPageBuffers* page, const volatile sig_atomic_t* canceled);

// Stores line `i` of a page that arrives line by line (`line` holds the
// header's cupsBytesPerLine bytes) as ReadRasterPage stores a line it has
// read. A line past the page's height is dropped.
void StoreRasterLine(const cups_page_header2_t& header, RasterPageBuffers* page, uint64_t i,
                     const unsigned char* line);

// Reads past the lines of the current page without storing them (a page
// that is skipped), in small pieces. Stops at a failed read or once
// `canceled` is set.
void SkipRasterPage(cups_raster_t* raster, const cups_page_header2_t& header,
                    const volatile sig_atomic_t* canceled);

}  // namespace kv71p::filter
