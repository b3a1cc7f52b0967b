// PNG files of a print read back with libpng and compared pixel for pixel;
// the decoder program end to end, with the prints it assembles.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/common/HandMadeBlocks.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"
#include "tools/decoder/PngOutput.h"
#include "tools/decoder/StreamDecoder.h"

namespace {

struct Png {
  int width = 0, height = 0, channels = 0;
  std::vector<unsigned char> pixels;  // top row first
};

Png ReadPng(const std::string& path) {
  Png out;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  out.channels = (image.format & PNG_FORMAT_FLAG_COLOR) ? 3 : 1;
  image.format = out.channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  out.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return Png();
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  return out;
}

constexpr int kRows = 5;

// Distinct values per plane, column and stored row.
unsigned char Value(int plane, int x, int storedRow) { return static_cast<unsigned char>(x * 3 + storedRow * 101 + plane * 50); }

kv71p::StreamBlock DecodeOne(const std::string& bytes) {
  kv71p::StreamBlock block;
  EXPECT_EQ(kv71p::DecodeStream(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                [&block](kv71p::StreamBlock&& b) { block = std::move(b); }, nullptr),
            0);
  return block;
}

kv71p::StreamPrint PatternPrint(bool withMagenta) {
  kv71p::StreamPrint print;
  print.number = 3;
  const char* names[3] = {"YPLANE", "MPLANE", "CPLANE"};
  for (int k = 0; k < 3; ++k)
    if (k != 1 || withMagenta)
      print.planes[k] = DecodeOne(handmade::PlaneCommand(names[k], kRows, 600, [k](int x, int y) { return Value(k, x, y); }));
  return print;
}

TEST(PngOutput, PlanesAndPreviewMatchThePlanesPixelForPixel) {
  for (bool withMagenta : {true, false}) {
    TestTempDir dir;
    std::vector<std::string> written;
    ASSERT_EQ(kv71p::WritePrintPngs(PatternPrint(withMagenta), dir / "out", &written), 0);
    EXPECT_EQ(written.size(), withMagenta ? 4u : 3u);
    // Each plane right way up; the preview's red, green and blue read back
    // the cyan, magenta and yellow planes, a missing plane as paper white.
    const char* names[4] = {"yellow", "magenta", "cyan", "preview"};
    for (int k = 0; k < 4; ++k) {
      if (k == 1 && !withMagenta) continue;
      const Png png = ReadPng(dir / ("out/print03-" + std::string(names[k]) + ".png"));
      ASSERT_EQ(png.width, 2560);
      ASSERT_EQ(png.height, kRows);
      ASSERT_EQ(png.channels, k == 3 ? 3 : 1);
      for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < 2560; ++x)
          for (int c = 0; c < png.channels; ++c) {
            const int plane = k == 3 ? 2 - c : k;
            const int expected = plane == 1 && !withMagenta ? 255 : Value(plane, x, kRows - 1 - y);
            ASSERT_EQ(png.pixels[(y * 2560 + x) * png.channels + c], expected) << names[k] << " " << x << "," << y;
          }
    }
  }
}

TEST(PngOutput, RefusesPlanesOfDifferentSizes) {
  kv71p::StreamPrint print = PatternPrint(true);
  print.planes[1] = DecodeOne(handmade::PlainPlane("MPLANE", kRows + 1));
  TestTempDir dir;
  EXPECT_EQ(kv71p::WritePrintPngs(print, dir.path(), nullptr), 3);
  EXPECT_EQ(kv71p::WritePlanePng(dir / "no-such-folder/x.png", kv71p::PlaneImage{}), 3);
}

TEST(DecodeProgram, ListsRendersAndRejects) {
  TestTempDir dir;
  // A print without its magenta plane, then one the stream ends before its START.
  const std::string stream = handmade::Block("IMAGE", "MULTICUT", "00000013") + handmade::PlainPlane("YPLANE") +
                             handmade::PlainPlane("CPLANE") + handmade::Block("CNTRL", "START") +
                             handmade::Block("IMAGE", "MULTICUT", "00000408") + handmade::PlainPlane("YPLANE") +
                             handmade::PlainPlane("MPLANE") + handmade::PlainPlane("CPLANE");
  ASSERT_TRUE(kv71p::test::WriteFile(dir / "stream.bin", stream));
  const auto ok = kv71p::test::RunProcess({KV71P_DECODE_PROGRAM, "--png", dir / "png", dir / "stream.bin"});
  EXPECT_EQ(ok.exitStatus, 0) << ok.err;
  EXPECT_NE(ok.out.find("IMAGE  MULTICUT                 8  \"00000408\""), std::string::npos) << ok.out;
  EXPECT_NE(ok.out.find("print 1: MULTICUT 13, planes Y-C\n"), std::string::npos) << ok.out;
  EXPECT_NE(ok.out.find("print 2: MULTICUT 408, planes YMC (not started: no START before the end"), std::string::npos)
      << ok.out;
  EXPECT_EQ(ReadPng(dir / "png/print02-preview.png").width, 2560);

  // From standard input, one byte short.
  kv71p::test::ProcessOptions options;
  options.input = stream.substr(0, stream.size() - 1);
  const auto cut = kv71p::test::RunProcess({KV71P_DECODE_PROGRAM}, options);
  EXPECT_EQ(cut.exitStatus, 1);
  EXPECT_NE(cut.err.find("kv71p-decode: offset " + std::to_string(stream.size() - 1) +
                         ": stream ends inside the data of IMAGE CPLANE at offset"),
            std::string::npos)
      << cut.err;
  EXPECT_EQ(kv71p::test::RunProcess({KV71P_DECODE_PROGRAM, dir / "missing"}).exitStatus, 2);
}

}  // namespace
