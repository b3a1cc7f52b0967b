// The real CUPS filter chain: cupsfilter with the project's PPD turns a PNG
// (imagetoraster) and a PDF (gstoraster) into raster and the filter turns
// that into prints, at every resolution with 1, 2 and 3 photos per print,
// copies, the first-alone rule and the turned orientation.
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "tests/filter/PrintOutput.h"
#include "tests/ppd/CupsfilterBin.h"
#include "tools/testbed/testphoto/TestPhoto.h"

namespace {

using kv71p::test::CupsfilterBin;
using kv71p::test::PrintOutput;

// 400 x 200 pixels with the PDF's picture.
bool WriteTestPng(const std::string& path) {
  const int width = 400, height = 200;
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rgb[(static_cast<size_t>(y) * width + x) * 3 + (y >= height / 2 ? 1 : x < width / 2 ? 0 : 2)] = 255;
  return kv71p::WriteRgbPng(path, rgb, width, height);
}

struct Resolution {
  const char* name;
  int rasterWidth, rasterHeight;  // the raster of a 207 x 105 mm page
  int step;                       // the filter halves the width at 600 x 600 dpi
  int gap;
};
const Resolution k300 = {"300dpi", 2448, 1236, 1, 30}, k300x600 = {"300x600dpi", 2448, 2472, 1, 60},
                 k600 = {"600x600dpi", 4896, 2472, 2, 60};

struct ChainCase {
  const char* name;
  bool pdf;  // three pages of the PDF, else three copies of the PNG
  Resolution resolution;
  const char* jobFile;
  int orientation;
  std::vector<std::vector<int>> prints;  // per print: multi-cut code, photos
};

// The colours at the centres of the three areas of every photo.
::testing::AssertionResult ShowsThePicture(const PrintOutput& out, const ChainCase& c) {
  const Resolution& r = c.resolution;
  const struct {
    double fx, fy;  // position on the page as drawn, from the top left
    int rgb[3];
  } areas[] = {{0.25, 0.25, {255, 0, 0}}, {0.75, 0.25, {0, 0, 255}}, {0.5, 0.75, {0, 255, 0}}};
  for (size_t p = 0; p < out.prints.size(); ++p) {
    for (int slot = 0; slot < c.prints[p][1]; ++slot) {
      for (const auto& area : areas) {
        int x = static_cast<int>(area.fx * r.rasterWidth), line = static_cast<int>(area.fy * r.rasterHeight);
        int row = r.rasterHeight - 1 - line;
        if (c.orientation == 2) x = r.rasterWidth - 1 - x, row = line;
        for (int k = 0; k < 3; ++k) {
          const int value = kv71p::test::Stored(out.Plane(p, k), 56 + x / r.step, slot * (r.rasterHeight + r.gap) + row);
          if (value != area.rgb[2 - k])
            return ::testing::AssertionFailure() << "print " << p << " slot " << slot << " area at " << area.fx
                                                 << "," << area.fy << " plane " << k << ": " << value;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(FilterChain, PngAndPdfAtEveryResolutionAndLayout) {
  const char *pairs = "MEDIA_SIZE=\"00500\"\n", *triples = "MEDIA_SIZE=\"00510\"\n";
  const ChainCase cases[] = {
      {"PNG 300 dpi, 3 per print", false, k300, triples, 1, {{20, 3}}},
      {"PNG 300x600 dpi, 1 per print", false, k300x600, "", 1, {{408, 1}, {408, 1}, {408, 1}}},
      {"PNG 600x600 dpi, 2 per print", false, k600, pairs, 1, {{13, 2}, {408, 1}}},
      {"PDF 300 dpi, 2 per print", true, k300, pairs, 1, {{13, 2}, {408, 1}}},
      {"PDF 300x600 dpi, 3 per print", true, k300x600, triples, 1, {{20, 3}}},
      {"PDF 600x600 dpi, 1 per print", true, k600, "", 1, {{408, 1}, {408, 1}, {408, 1}}},
      {"PNG first alone", false, k300, "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"00001\"\n", 1, {{408, 1}, {13, 2}}},
      {"PDF first alone", true, k600, "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"00005\"\n", 1, {{408, 1}, {13, 2}}},
      {"PNG turned", false, k300, "", 2, {{408, 1}, {408, 1}, {408, 1}}},
      {"PDF turned", true, k600, pairs, 2, {{13, 2}, {408, 1}}},
  };
  // Every file is written before the first run starts: a child forked
  // while a wrapper is open for writing would keep it busy for exec.
  std::vector<std::unique_ptr<CupsfilterBin>> bins;
  for (const ChainCase& c : cases) {
    bins.push_back(std::make_unique<CupsfilterBin>(KV71P_TEST_FILTER));
    const std::string input = bins.back()->path(c.pdf ? "pages.pdf" : "picture.png");
    ASSERT_TRUE(c.pdf ? kv71p::test::WriteFile(input, kv71p::test::TestPdf(3)) : WriteTestPng(input));
    ASSERT_TRUE(kv71p::test::WriteFile(bins.back()->cache() + "/Print_1.log", c.jobFile));
  }
  std::vector<std::future<kv71p::test::ProcessResult>> runs;
  for (size_t i = 0; i < bins.size(); ++i) {
    const ChainCase& c = cases[i];
    std::vector<std::string> options = {"VexICM=None", std::string("Resolution=") + c.resolution.name};
    if (c.orientation == 2) options.push_back("com.apple.print.preset.Orientation..n.=2");
    const CupsfilterBin* bin = bins[i].get();
    runs.push_back(std::async(std::launch::async, [bin, options, &c] {
      return bin->Run(KV71P_TEST_PPD, options, bin->path(c.pdf ? "pages.pdf" : "picture.png"), c.pdf ? 1 : 3);
    }));
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    const ChainCase& c = cases[i];
    SCOPED_TRACE(c.name);
    const kv71p::test::ProcessResult result = runs[i].get();
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const PrintOutput out = kv71p::test::DecodePrintOutput(result.out);
    EXPECT_TRUE(out.wellFormed) << out.error;
    ASSERT_EQ(out.prints.size(), c.prints.size());
    for (size_t p = 0; p < c.prints.size(); ++p) {
      const int photos = c.prints[p][1];
      EXPECT_EQ(out.prints[p].multiCut, c.prints[p][0]);
      EXPECT_EQ(out.Plane(p, 0).height, photos * c.resolution.rasterHeight + (photos - 1) * c.resolution.gap);
      EXPECT_EQ(out.Plane(p, 0).dpiY, c.resolution.rasterHeight == 1236 ? 300 : 600);
    }
    EXPECT_TRUE(ShowsThePicture(out, c));
  }
}

}  // namespace
