// The real CUPS filter chain: cupsfilter with the project's PPD turns a PNG
// (imagetoraster) and a PDF (gstoraster) into raster, and the filter turns
// that into prints, at every resolution with 1, 2 and 3 photos per print,
// copies, the first-alone rule and the turned orientation.
//
// cupsfilter hands its filters a fixed environment, so the ServerBin holds
// a small wrapper that points the filter at the test's cache folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "PrintOutput.h"
#include "Subprocess.h"
#include "TestPhoto.h"
#include "TestTempDir.h"

namespace fs = std::filesystem;

namespace {

using kv71p::test::PrintOutput;
using kv71p::test::ProcessResult;
using kv71p::test::RunProcess;
using kv71p::test::WriteFile;

// A ServerBin whose filter/ folder links the system's filters and holds
// the wrapper, a cups-files.conf naming it, and a cache folder.
class ChainBin {
 public:
  ChainBin() {
    chmod(dir_.path().c_str(), 0755);
    const fs::path filters = fs::path(dir_.path()) / "serverbin/filter";
    fs::create_directories(filters);
    fs::create_directories(cache());
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/usr/lib/cups/filter", ec))
      if (e.path().filename() != "rastertokv71p")
        fs::create_symlink(e.path(), filters / e.path().filename(), ec);
    // Run as root, cupsfilter refuses filters that others may write to.
    const std::string wrapper = (filters / "rastertokv71p").string();
    WriteFile(wrapper, "#!/bin/sh\nKV71P_CACHE_DIR='" + cache() + "'\nexport KV71P_CACHE_DIR\nexec '" +
                           KV71P_TEST_FILTER + "' \"$@\"\n");
    chmod(wrapper.c_str(), 0755);
    WriteFile(filesConf(), "ServerBin " + (dir_ / "serverbin") + "\nDataDir /usr/share/cups\n");
  }
  std::string cache() const { return dir_ / "cache"; }
  std::string filesConf() const { return dir_ / "cups-files.conf"; }

 private:
  TestTempDir dir_;
};

// 400 x 200 pixels: the top half red on the left, blue on the right; the
// bottom half green.
bool WriteTestPng(const std::string& path) {
  const int width = 400, height = 200;
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rgb[(static_cast<size_t>(y) * width + x) * 3 + (y >= height / 2 ? 1 : x < width / 2 ? 0 : 2)] = 255;
  return kv71p::WriteRgbPng(path, rgb, width, height);
}

// Three pages of the media's size (207 x 105 mm) with the same picture as
// the PNG, drawn with filled rectangles.
std::string TestPdf() {
  const char* draw =
      "1 0 0 rg 0 148.82 293.39 148.82 re f 0 0 1 rg 293.39 148.82 293.38 148.82 re f "
      "0 1 0 rg 0 0 586.77 148.82 re f";
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>"};
  for (int i = 0; i < 3; ++i)
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 586.77 297.64] /Contents 6 0 R >>");
  objects.push_back("<< /Length " + std::to_string(std::string(draw).size()) + " >>\nstream\n" +
                    draw + "\nendstream");
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t o : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    pdf += line;
  }
  return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

struct Resolution {
  const char* name;
  int rasterWidth, rasterHeight;  // the raster of a 207 x 105 mm page
  int step;                       // the filter halves the width at 600 x 600 dpi
  int gap;
};
const Resolution kResolutions[] = {
    {"300dpi", 2448, 1236, 1, 30}, {"300x600dpi", 2448, 2472, 1, 60}, {"600x600dpi", 4896, 2472, 2, 60}};

struct ChainCase {
  std::string name;
  bool pdf;
  const Resolution* resolution;
  std::string jobFile;
  int orientation;
  std::vector<std::vector<int>> prints;  // per print: multi-cut code, photos
};

// Checks the colours at the centres of the three areas of every photo.
::testing::AssertionResult ShowsThePicture(const PrintOutput& out, const ChainCase& c) {
  const Resolution& r = *c.resolution;
  const struct {
    double fx, fy;  // position on the page as drawn, from the top left
    int rgb[3];
  } areas[] = {{0.25, 0.25, {255, 0, 0}}, {0.75, 0.25, {0, 0, 255}}, {0.5, 0.75, {0, 255, 0}}};
  for (size_t p = 0; p < out.prints.size(); ++p) {
    const int photos = c.prints[p][1];
    for (int slot = 0; slot < photos; ++slot) {
      for (const auto& area : areas) {
        int x = static_cast<int>(area.fx * r.rasterWidth), line = static_cast<int>(area.fy * r.rasterHeight);
        int row = r.rasterHeight - 1 - line;
        if (c.orientation == 2) {
          x = r.rasterWidth - 1 - x;
          row = line;
        }
        const int column = 56 + x / r.step, storedRow = slot * (r.rasterHeight + r.gap) + row;
        for (int k = 0; k < 3; ++k) {
          const int value = kv71p::test::Stored(out.Plane(p, k), column, storedRow);
          if (value != area.rgb[2 - k])
            return ::testing::AssertionFailure() << "print " << p << " slot " << slot << " area at "
                                                 << area.fx << "," << area.fy << " plane " << k
                                                 << ": " << value;
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(FilterChain, PngAndPdfAtEveryResolutionAndLayout) {
  TestTempDir dir;
  const std::string png = dir / "picture.png", pdf = dir / "three-pages.pdf";
  ASSERT_TRUE(WriteTestPng(png));
  ASSERT_TRUE(WriteFile(pdf, TestPdf()));

  // Three photos per job: three copies of the PNG, three pages of the PDF.
  std::vector<ChainCase> cases;
  for (bool isPdf : {false, true}) {
    for (const Resolution& r : kResolutions) {
      const std::string base = std::string(isPdf ? "PDF " : "PNG ") + r.name;
      cases.push_back({base + " 1 per print", isPdf, &r, "", 1, {{408, 1}, {408, 1}, {408, 1}}});
      cases.push_back({base + " 2 per print", isPdf, &r, "MEDIA_SIZE=\"00500\"\n", 1, {{13, 2}, {408, 1}}});
      cases.push_back({base + " 3 per print", isPdf, &r, "MEDIA_SIZE=\"00510\"\n", 1, {{20, 3}}});
    }
  }
  cases.push_back({"PNG first alone", false, &kResolutions[0],
                   "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"00001\"\n", 1, {{408, 1}, {13, 2}}});
  cases.push_back({"PDF first alone", true, &kResolutions[2],
                   "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"00005\"\n", 1, {{408, 1}, {13, 2}}});
  cases.push_back({"PNG turned", false, &kResolutions[0], "", 2, {{408, 1}, {408, 1}, {408, 1}}});
  cases.push_back({"PDF turned", true, &kResolutions[2], "MEDIA_SIZE=\"00500\"\n", 2, {{13, 2}, {408, 1}}});

  std::vector<std::future<ProcessResult>> runs;
  std::vector<std::unique_ptr<ChainBin>> bins;
  for (const ChainCase& c : cases) {
    bins.push_back(std::make_unique<ChainBin>());
    ASSERT_TRUE(WriteFile(bins.back()->cache() + "/Print_1.log", c.jobFile));
    std::vector<std::string> argv = {"cupsfilter", "-e", "-p", KV71P_TEST_PPD, "-m", "printer/foo",
                                     "-c", bins.back()->filesConf(), "-o", "VexICM=None",
                                     "-o", std::string("Resolution=") + c.resolution->name};
    if (c.orientation == 2) {
      argv.push_back("-o");
      argv.push_back("com.apple.print.preset.Orientation..n.=2");
    }
    if (!c.pdf) {
      argv.push_back("-n");
      argv.push_back("3");
    }
    argv.push_back(c.pdf ? pdf : png);
    runs.push_back(std::async(std::launch::async, [argv] { return RunProcess(argv, {{}, "", "", 240}); }));
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const ChainCase& c = cases[i];
    SCOPED_TRACE(c.name);
    const ProcessResult result = runs[i].get();
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const PrintOutput out = kv71p::test::DecodePrintOutput(result.out);
    EXPECT_TRUE(out.wellFormed) << out.error;
    ASSERT_EQ(out.prints.size(), c.prints.size());
    for (size_t p = 0; p < c.prints.size(); ++p) {
      EXPECT_EQ(out.prints[p].multiCut, c.prints[p][0]);
      const int photos = c.prints[p][1];
      const int pageLength = photos * c.resolution->rasterHeight + (photos - 1) * c.resolution->gap;
      EXPECT_EQ(out.Plane(p, 0).height, pageLength);
      EXPECT_EQ(out.Plane(p, 0).dpiY, c.resolution->rasterHeight == 1236 ? 300 : 600);
    }
    EXPECT_TRUE(ShowsThePicture(out, c));
  }
}

}  // namespace
