// kv71p-test-photo: writes the project's photo-like test picture.
//
//   kv71p-test-photo png WIDTH HEIGHT OUT.png
//   kv71p-test-photo jpeg WIDTH HEIGHT OUT.jpg
//   kv71p-test-photo raster WIDTH HEIGHT OUT.ras [PAGES [COPIES [DPIX DPIY]]]
//
// The raster form is a CUPS raster stream (8-bit RGB) such as the filter
// receives; it defaults to 1 page, 1 copy, 300 x 300 dpi.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/TextHelpers.h"
#include "tools/testbed/testphoto/TestPhoto.h"

using namespace kv71p;

namespace {

const char kUsage[] =
    "usage: kv71p-test-photo png WIDTH HEIGHT OUT.png\n"
    "       kv71p-test-photo jpeg WIDTH HEIGHT OUT.jpg\n"
    "       kv71p-test-photo raster WIDTH HEIGHT OUT.ras [PAGES [COPIES [DPIX DPIY]]]\n";

int Arg(int argc, char** argv, int i, int absent) {
  return i < argc ? kv71p::ParseInt(argv[i]) : absent;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string mode = argv[1];
  const int width = kv71p::ParseInt(argv[2]), height = kv71p::ParseInt(argv[3]);
  if ((mode != "png" && mode != "jpeg" && mode != "raster") || width <= 0 || height <= 0 || width > 20000 ||
      height > 20000) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const auto rgb = kv71p::MakeTestPhoto(width, height);
  bool ok;
  if (mode == "png") {
    ok = kv71p::WriteRgbPng(argv[4], rgb, width, height);
  } else if (mode == "jpeg") {
    ok = kv71p::WriteRgbJpeg(argv[4], rgb, width, height);
  } else {
    const int pages = Arg(argc, argv, 5, 1), copies = Arg(argc, argv, 6, 1);
    const int dpiX = Arg(argc, argv, 7, 300), dpiY = Arg(argc, argv, 8, 300);
    ok = pages >= 1 && copies >= 1 && dpiX > 0 && dpiY > 0 &&
         kv71p::WriteRgbRaster(argv[4], rgb, width, height, pages, copies, dpiX, dpiY);
  }
  if (!ok) {
    std::fprintf(stderr, "kv71p-test-photo: could not write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
