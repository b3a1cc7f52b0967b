// The page headers of a CUPS raster stream, found without libcups: the
// fuzz targets judge an input's pages before the filter reads it, and
// libcups would first allocate a line buffer as wide as a header claims
// (gigabytes for a hostile one, slow under AddressSanitizer). The walk
// follows the stream as the filter reads it (each page's height lines of
// cupsBytesPerLine bytes, run-length coded in version 2 streams) and stops
// at the first header it cannot take; it serves only to bound a run, so
// where it parts from libcups a run is merely slower or left out.
#pragma once

#include <cups/raster.h>

#include <string>
#include <vector>

namespace kv71p::fuzz {

// The headers of the stream's pages in order, as far as they can be walked;
// the last may be one that libcups refuses (after allocating its line
// buffer).
std::vector<cups_page_header2_t> WalkRasterHeaders(const std::string& raster);

}  // namespace kv71p::fuzz
