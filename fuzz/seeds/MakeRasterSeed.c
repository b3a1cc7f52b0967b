/* Writes a small CUPS raster stream for the filter's seed corpus:
 *   MakeRasterSeed out width height pages copies mode
 * mode: w = RaS3 (uncompressed), c = RaS2 (compressed, as CUPS's filters
 * write it). The pixels are a colour ramp. Build with
 *   cc MakeRasterSeed.c -o MakeRasterSeed $(cups-config --libs) -lcupsimage */
#include <cups/raster.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv) {
  if (argc != 7) return 2;
  unsigned w = (unsigned)atoi(argv[2]), h = (unsigned)atoi(argv[3]);
  int pages = atoi(argv[4]);
  unsigned copies = (unsigned)atoi(argv[5]);
  int fd = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 1;
  cups_raster_t *r = cupsRasterOpen(fd, argv[6][0] == 'c' ? CUPS_RASTER_WRITE_COMPRESSED
                                                          : CUPS_RASTER_WRITE);
  unsigned char *line = malloc(w * 3);
  for (int p = 0; p < pages; ++p) {
    cups_page_header2_t hd;
    memset(&hd, 0, sizeof hd);
    hd.HWResolution[0] = hd.HWResolution[1] = 300;
    hd.NumCopies = copies;
    hd.cupsWidth = w;
    hd.cupsHeight = h;
    hd.cupsBitsPerColor = 8;
    hd.cupsBitsPerPixel = 24;
    hd.cupsBytesPerLine = w * 3;
    hd.cupsColorOrder = CUPS_ORDER_CHUNKED;
    hd.cupsColorSpace = CUPS_CSPACE_RGB;
    hd.cupsNumColors = 3;
    hd.PageSize[0] = 587;
    hd.PageSize[1] = 296;
    cupsRasterWriteHeader2(r, &hd);
    for (unsigned y = 0; y < h; ++y) {
      for (unsigned x = 0; x < w; ++x) {
        line[3 * x] = (unsigned char)(x * 255 / (w ? w : 1));
        line[3 * x + 1] = (unsigned char)(y * 255 / (h ? h : 1));
        line[3 * x + 2] = (unsigned char)(p * 90 + 40);
      }
      cupsRasterWritePixels(r, line, w * 3);
    }
  }
  cupsRasterClose(r);
  free(line);
  close(fd);
  return 0;
}
