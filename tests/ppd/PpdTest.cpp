// The queue's PPD: cupstestppd accepts it, its defaults and choices mean to
// the filter what they should, and the real CUPS filter chain (cupsfilter
// with the PPD, stopping at raster) turns a PDF into raster of exactly the
// media's size at every resolution.
#include <cups/ppd.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p::filter;

namespace {

using kv71p::test::Pairs;
using kv71p::test::RunProcess;

TEST(Ppd, PassesCupstestppd) {
  // cupstestppd looks for the PPD's filter in the filter/ folder of a ServerBin.
  TestTempDir dir;
  chmod(dir.path().c_str(), 0755);
  mkdir((dir / "filter").c_str(), 0755);
  ASSERT_TRUE(kv71p::test::WriteFile(dir / "filter/rastertokv71p", "#!/bin/sh\n"));
  chmod((dir / "filter/rastertokv71p").c_str(), 0755);
  const auto r = RunProcess({"cupstestppd", KV71P_TEST_PPD}, {{"CUPS_SERVERBIN=" + dir.path()}, "", "", 60});
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(": PASS"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
}

// One page of 207 x 105 mm: the top half red on the left and blue on the
// right, the bottom half green.
std::string TestPdf() {
  const std::string draw =
      "1 0 0 rg 0 148.82 293.39 148.82 re f 0 0 1 rg 293.39 148.82 293.38 148.82 re f 0 1 0 rg 0 0 586.77 148.82 re f";
  const std::string objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 586.77 297.64] /Contents 4 0 R >>",
      "<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw + "\nendstream"};
  std::string pdf = "%PDF-1.4\n", xref;
  for (size_t i = 0; i < 4; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", pdf.size());
    xref += line;
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  return pdf + "xref\n0 5\n0000000000 65535 f \n" + xref + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" +
         std::to_string(pdf.size()) + "\n%%EOF\n";
}

// The header values of every page of a raster file, one line each:
// width height bits/colour bits/pixel colour space bytes/line dpi dpi
// colour order copies, and the lines the page holds.
std::string RasterPages(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  std::ostringstream pages;
  cups_page_header2_t h;
  while (raster != nullptr && cupsRasterReadHeader2(raster, &h)) {
    std::vector<unsigned char> line(h.cupsBytesPerLine);
    unsigned lines = 0;
    while (lines < h.cupsHeight && !line.empty() && cupsRasterReadPixels(raster, line.data(), line.size()) == line.size())
      ++lines;
    pages << "page " << h.cupsWidth << " " << h.cupsHeight << " " << h.cupsBitsPerColor << " " << h.cupsBitsPerPixel
          << " " << h.cupsColorSpace << " " << h.cupsBytesPerLine << " " << h.HWResolution[0] << " "
          << h.HWResolution[1] << " " << h.cupsColorOrder << " " << h.NumCopies << " " << lines << "\n";
  }
  if (raster != nullptr) cupsRasterClose(raster);
  if (fd >= 0) close(fd);
  return pages.str();
}

TEST(Ppd, FilterChainMakesRasterOfTheMediaSizeAtEveryResolution) {
  TestTempDir dir;
  const std::string pdf = dir / "page.pdf", raster = dir / "page.ras";
  ASSERT_TRUE(kv71p::test::WriteFile(pdf, TestPdf()));
  const struct {
    const char* name;
    unsigned width, length;  // dots at 300 dpi
  } media[] = {{"207x105mm", 2448, 1236}, {"207x130mm", 2448, 1536}, {"207x156mm", 2448, 1836},
               {"207x206mm", 2448, 2436}, {"207x257mm", 2448, 3036}, {"207x308mm", 2448, 3636},
               {"214x151mm", 2528, 1784}, {"214x300mm", 2528, 3544}};
  const struct {
    const char* name;
    unsigned x, y;  // dots per 300 dpi dot
  } resolutions[] = {{"300dpi", 1, 1}, {"300x600dpi", 1, 2}, {"600x600dpi", 2, 2}};
  for (const auto& res : resolutions) {
    for (const auto& m : media) {
      SCOPED_TRACE(std::string(m.name) + " " + res.name);
      const unsigned copies = res.x == 2 ? 2 : 1;
      const auto r = RunProcess({"sh", "-c", "cupsfilter -e -p \"$0\" -m application/vnd.cups-raster -n \"$1\" -o \"$2\" -o \"$3\" \"$4\" > \"$5\"",
                                 KV71P_TEST_PPD, std::to_string(copies), std::string("PageSize=") + m.name,
                                 std::string("Resolution=") + res.name, pdf, raster}, {{}, "", "", 240});
      ASSERT_EQ(r.exitStatus, 0) << r.err;
      // RGB is colour space 1, chunky pixels colour order 0.
      const unsigned w = m.width * res.x, h = m.length * res.y;
      std::ostringstream page;
      page << "page " << w << " " << h << " 8 24 1 " << w * 3 << " " << 300 * res.x << " " << 300 * res.y << " 0 "
           << copies << " " << h << "\n";
      EXPECT_EQ(RasterPages(raster), page.str());
    }
  }
}

// What the filter makes of job options with or without the PPD: its
// settings and the setting commands it writes.
std::string FilterView(ppd_file_t* ppd, const Pairs& job) {
  const kv71p::test::JobOptions options(job);
  const JobSettings settings = JobSettingsFromOptions(PrintOptions(options.count(), options.options(), ppd));
  FdBlockWriter unused(-1);
  return kv71p::test::SettingsText(settings) + " media " +
         std::to_string(DeviceEntry_KV71P(unused).MediaCodeOfPageSize(settings.pageSize));
}

TEST(Ppd, DefaultsAndChoicesMeanWhatTheFilterExpects) {
  TestCacheDir cache;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ppd_file_t* ppd = ppdOpenFile(KV71P_TEST_PPD);
  ASSERT_NE(ppd, nullptr);
  EXPECT_STREQ(ppd->manufacturer, "KORVALE SYSTEMS");
  EXPECT_STREQ(ppd->modelname, "KORVALE SYSTEMS KV-71P");
  EXPECT_EQ(ppd->color_device, 1);
  // The PPD's defaults act as if no option were given at all.
  EXPECT_EQ(FilterView(ppd, {}), FilterView(nullptr, {}));

  // Every choice of an option changes what the filter does, with the
  // others at their defaults or in the context where the option matters.
  const struct {
    const char* keyword;
    Pairs context;
  } options[] = {
      {"Resolution", {}},     {"PageSize", {}},          {"VexBorder", {}},      {"VexICM", {}},
      {"VexSharpness", {}},   {"VexColorAdjustment", {}}, {"VexGammaR", {}},      {"VexGammaG", {}},
      {"VexGammaB", {}},      {"VexBrightnessR", {}},    {"VexBrightnessG", {}}, {"VexBrightnessB", {}},
      {"VexContrastR", {}},   {"VexContrastG", {}},      {"VexContrastB", {}},   {"VexChroma", {}},
      {"VexOvercoatFinish", {}}, {"VexPrintRetry", {}},
      {"Vex2InchCut", {{"PageSize", "207x257mm"}}}, {"VexPrintSpeed", {{"Resolution", "300x600dpi"}}},
  };
  for (const auto& o : options) {
    ppd_option_t* option = ppdFindOption(ppd, o.keyword);
    ASSERT_NE(option, nullptr) << o.keyword;
    std::set<std::string> views;
    for (int i = 0; i < option->num_choices; ++i) {
      Pairs job = o.context;
      job.emplace_back(o.keyword, option->choices[i].choice);
      views.insert(FilterView(ppd, job));
    }
    EXPECT_EQ(views.size(), static_cast<size_t>(option->num_choices)) << o.keyword;
  }
  // The all-channel tone keywords have no default in the PPD, which would
  // always win over the per-channel choices; as job options they still set
  // all three channels.
  for (const char* keyword : {"VexGamma", "VexBrightness", "VexContrast"}) {
    EXPECT_EQ(ppdFindOption(ppd, keyword), nullptr) << keyword;
    EXPECT_EQ(FilterView(ppd, {{"VexGammaR", "0"}, {keyword, "50"}, {std::string(keyword) + "R", "-20"}}),
              FilterView(ppd, {{"VexGammaR", "0"}, {keyword, "50"}}))
        << keyword;
  }
  ppdClose(ppd);
#pragma GCC diagnostic pop
}

}  // namespace
