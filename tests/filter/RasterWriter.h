// CUPS raster pages as the tests describe them (header values and a fill
// for each line), written to a file with libcups.
#pragma once

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace kv71p::test {

// One raster page: its header values and the bytes of each line.
struct RasterPage {
  unsigned width = 0, height = 0;
  unsigned bitsPerPixel = 24;
  unsigned bytesPerLine = 0;  // 0: width x bitsPerPixel / 8
  unsigned copies = 1;
  unsigned dpiX = 300, dpiY = 300;
  unsigned linesWritten = ~0u;  // fewer than height cuts the stream short
  // Fills the `bytes` (bytesPerLine of them) of line i.
  std::function<void(unsigned i, std::vector<unsigned char>& bytes)> fill;

  unsigned lineBytes() const { return bytesPerLine ? bytesPerLine : width * bitsPerPixel / 8; }
  std::vector<unsigned char> Line(unsigned i) const {
    std::vector<unsigned char> bytes(lineBytes(), 0);
    if (fill) fill(i, bytes);
    return bytes;
  }
};

// A page of `width` x `height` pixels in blocks of cube corner colours
// (which the colour pipeline leaves alone when every setting is neutral),
// different for every `tag`.
inline RasterPage PatternPage(unsigned width, unsigned height, int tag, unsigned copies = 1) {
  RasterPage page;
  page.width = width;
  page.height = height;
  page.copies = copies;
  page.fill = [tag](unsigned i, std::vector<unsigned char>& bytes) {
    for (size_t b = 0; b < bytes.size() / 3 * 3; ++b) {
      const size_t corner = (i / 7 + (b / 33) * 3 + static_cast<size_t>(tag) * 5) % 8;  // bits: red, green, blue
      bytes[b] = (corner >> (b % 3)) & 1 ? 255 : 0;
    }
  };
  return page;
}

inline bool WriteRaster(const std::string& path, const std::vector<RasterPage>& pages) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // Compressed streams keep huge pages small; one that ends inside a page
  // is written uncompressed (the compressor holds back the last line), and
  // so is one with a line that ends inside a pixel (the compressor reads
  // whole pixels, past the line).
  bool cutShort = false;
  bool partPixel = false;
  for (const RasterPage& p : pages) {
    cutShort = cutShort || p.linesWritten < p.height;
    partPixel = partPixel || (p.bitsPerPixel >= 8 && p.lineBytes() % (p.bitsPerPixel / 8) != 0);
  }
  cups_raster_t* raster = cupsRasterOpen(
      fd, cutShort || partPixel ? CUPS_RASTER_WRITE : CUPS_RASTER_WRITE_COMPRESSED);
  bool ok = raster != nullptr;
  for (const RasterPage& p : pages) {
    if (!ok) break;
    cups_page_header2_t h{};
    h.HWResolution[0] = p.dpiX;
    h.HWResolution[1] = p.dpiY;
    h.NumCopies = p.copies;
    h.cupsWidth = p.width;
    h.cupsHeight = p.height;
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = p.bitsPerPixel;
    h.cupsBytesPerLine = p.lineBytes();
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = p.bitsPerPixel == 24 ? CUPS_CSPACE_RGB : CUPS_CSPACE_W;
    ok = cupsRasterWriteHeader2(raster, &h) != 0;
    const unsigned lines = p.linesWritten < p.height ? p.linesWritten : p.height;
    for (unsigned i = 0; ok && i < lines; ++i) {
      std::vector<unsigned char> line = p.Line(i);
      if (!line.empty())
        ok = cupsRasterWritePixels(raster, line.data(), static_cast<unsigned>(line.size())) == line.size();
    }
  }
  if (raster != nullptr) cupsRasterClose(raster);
  return close(fd) == 0 && ok;
}

}  // namespace kv71p::test
