#include "fuzz/RasterWalk.h"

#include <cstdint>
#include <cstring>

namespace kv71p::fuzz {

namespace {

uint32_t Swapped(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

uint32_t BigEndian(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The kinds of stream libcups reads, told by the sync word at its start (a
// number in the writer's byte order).
enum class Kind { None, Version1, Version2, Version3, Unir };

Kind ReadSync(const std::string& raster, bool* swapped) {
  if (raster.size() < 4) return Kind::None;
  uint32_t word;
  std::memcpy(&word, raster.data(), 4);
  const std::pair<uint32_t, Kind> kinds[] = {{CUPS_RASTER_SYNCv1, Kind::Version1},
                                             {CUPS_RASTER_SYNCv2, Kind::Version2},
                                             {CUPS_RASTER_SYNC, Kind::Version3},
                                             {CUPS_RASTER_SYNCapple, Kind::Unir}};
  for (const auto& [sync, kind] : kinds) {
    if (word != sync && word != Swapped(sync)) continue;
    *swapped = word != sync;
    return kind;
  }
  return Kind::None;
}

// The numbers of one page header the walk needs.
struct PageShape {
  cups_page_header2_t header;
  uint32_t order;  // cupsColorOrder read as a number: a hostile one may be no cups_order_t
};

// Reads the page header at `pos`; false at the end of the stream.
bool ReadHeader(const std::string& raster, Kind kind, bool swapped, size_t* pos, PageShape* page) {
  cups_page_header2_t& h = page->header;
  std::memset(&h, 0, sizeof h);
  if (kind == Kind::Unir) {
    // 32 bytes, big-endian: bits per pixel, colour space, size, resolution.
    if (raster.size() - *pos < 32) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(raster.data() + *pos);
    *pos += 32;
    static const unsigned kColours[] = {1, 3, 4, 3, 1, 3, 4};
    const unsigned colours = p[1] < 7 ? kColours[p[1]] : 1;
    h.cupsBitsPerPixel = p[0];
    h.cupsBitsPerColor = h.cupsBitsPerPixel / colours;
    h.cupsWidth = BigEndian(p + 12);
    h.cupsHeight = BigEndian(p + 16);
    h.cupsBytesPerLine = h.cupsWidth * h.cupsBitsPerPixel / 8;
    page->order = CUPS_ORDER_CHUNKED;
    return true;
  }
  // Version 1 headers are the shorter cups_page_header_t, which the longer
  // one begins with.
  const size_t length = kind == Kind::Version1 ? sizeof(cups_page_header_t) : sizeof h;
  if (raster.size() - *pos < length) return false;
  std::memcpy(&h, raster.data() + *pos, length);
  *pos += length;
  std::memcpy(&page->order, &h.cupsColorOrder, sizeof page->order);
  if (swapped) {
    for (unsigned* field : {&h.NumCopies, &h.cupsWidth, &h.cupsHeight, &h.cupsBitsPerColor,
                            &h.cupsBitsPerPixel, &h.cupsBytesPerLine})
      *field = Swapped(*field);
    page->order = Swapped(page->order);
  }
  return true;
}

// libcups refuses a page whose numbers do not fit together, and the stream
// ends there.
bool Readable(const cups_page_header2_t& h, uint64_t pixelBytes) {
  return h.cupsBitsPerPixel > 0 && h.cupsBitsPerPixel <= 240 && h.cupsBitsPerColor > 0 &&
         h.cupsBitsPerColor <= 16 && h.cupsBytesPerLine > 0 && h.cupsBytesPerLine <= 0x7fffffff &&
         h.cupsHeight != 0 && h.cupsBytesPerLine % pixelBytes == 0;
}

// Decodes run-length coded lines from `pos` until `lines` lines have come
// (a line group may repeat one line many times); false at the end of data.
bool SkipCodedLines(const std::string& raster, size_t* pos, uint64_t lines, uint64_t lineBytes,
                    uint64_t pixelBytes) {
  for (uint64_t done = 0; done < lines;) {
    if (*pos >= raster.size()) return false;
    done += static_cast<uint8_t>(raster[(*pos)++]) + 1u;
    for (uint64_t left = lineBytes; left > 0;) {
      if (*pos >= raster.size()) return false;
      const unsigned code = static_cast<uint8_t>(raster[(*pos)++]);
      if (code == 128) break;  // the rest of the line is blank
      uint64_t count = (code & 128 ? 257u - code : code + 1u) * pixelBytes;
      if (count > left) count = left;
      if (!(code & 128) && count < pixelBytes) break;
      *pos += code & 128 ? count : pixelBytes;  // literal pixels, or one repeated
      left -= count;
    }
  }
  return *pos <= raster.size();
}

}  // namespace

std::vector<cups_page_header2_t> WalkRasterHeaders(const std::string& raster) {
  std::vector<cups_page_header2_t> headers;
  bool swapped = false;
  const Kind kind = ReadSync(raster, &swapped);
  if (kind == Kind::None) return headers;
  size_t pos = kind == Kind::Unir ? 12 : 4;  // eight bytes with a page count follow that sync word
  for (PageShape page; pos <= raster.size() && ReadHeader(raster, kind, swapped, &pos, &page);) {
    const cups_page_header2_t& h = page.header;
    const unsigned bits = page.order == CUPS_ORDER_CHUNKED ? h.cupsBitsPerPixel : h.cupsBitsPerColor;
    const uint64_t pixelBytes = bits < 8 ? 1 : (bits + 7) / 8;
    headers.push_back(h);
    if (!Readable(h, pixelBytes)) break;
    const uint64_t lineBytes = h.cupsBytesPerLine, lines = h.cupsHeight;
    if (kind == Kind::Version2 || kind == Kind::Unir) {
      if (!SkipCodedLines(raster, &pos, lines, lineBytes, pixelBytes)) break;
    } else {
      if (lineBytes > (raster.size() - pos) / lines) break;
      pos += lineBytes * lines;
    }
  }
  return headers;
}

}  // namespace kv71p::fuzz
