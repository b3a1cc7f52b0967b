// Stand-in for the KV-71P filter in PPD tests: reads the CUPS raster that
// the filter chain hands over (the file named by argument 6, else standard
// input) and writes one line per page with its header values:
//   page <width> <height> <bitsPerColor> <bitsPerPixel> <colorSpace>
//        <bytesPerLine> <xdpi> <ydpi> <colorOrder> <copies> <lines read>
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 6 || argc > 7) {
    std::fputs("usage: rastertokv71p job user title copies options [file]\n", stderr);
    return 1;
  }
  const int fd = argc == 7 ? open(argv[6], O_RDONLY | O_CLOEXEC) : 0;
  if (fd < 0) return 1;
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  if (raster == nullptr) return 1;
  cups_page_header2_t h;
  int pages = 0;
  while (cupsRasterReadHeader2(raster, &h)) {
    std::vector<unsigned char> line(h.cupsBytesPerLine);
    unsigned lines = 0;
    while (lines < h.cupsHeight && !line.empty() &&
           cupsRasterReadPixels(raster, line.data(), h.cupsBytesPerLine) == h.cupsBytesPerLine)
      ++lines;
    std::printf("page %u %u %u %u %d %u %u %u %d %u %u\n", h.cupsWidth, h.cupsHeight,
                h.cupsBitsPerColor, h.cupsBitsPerPixel, static_cast<int>(h.cupsColorSpace),
                h.cupsBytesPerLine, h.HWResolution[0], h.HWResolution[1],
                static_cast<int>(h.cupsColorOrder), h.NumCopies, lines);
    ++pages;
  }
  cupsRasterClose(raster);
  if (fd != 0) close(fd);
  return pages > 0 ? 0 : 1;
}
