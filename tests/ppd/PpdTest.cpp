// The queue's PPD: cupstestppd accepts it, its defaults and choices mean to
// the filter what they should, and the real CUPS filter chain turns a PDF
// into raster of exactly the media's size at every resolution.
#include <cups/ppd.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "tests/filter/FilterTestHelpers.h"
#include "tests/ppd/CupsfilterBin.h"

using namespace kv71p::filter;

namespace {

using kv71p::test::CupsfilterBin;
using kv71p::test::Pairs;

TEST(Ppd, PassesCupstestppd) {
  CupsfilterBin bin(KV71P_TEST_RASTER_RECORDER);
  kv71p::test::ProcessOptions options;
  options.env = {"CUPS_SERVERBIN=" + bin.serverBin()};
  const auto r = kv71p::test::RunProcess({"cupstestppd", KV71P_TEST_PPD}, options);
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(": PASS"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
}

TEST(Ppd, FilterChainMakesRasterOfTheMediaSizeAtEveryResolution) {
  CupsfilterBin bin(KV71P_TEST_RASTER_RECORDER);
  const std::string pdf = bin.path("pages.pdf");
  ASSERT_TRUE(kv71p::test::WriteFile(pdf, kv71p::test::TestPdf(1)));
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
      const auto r = bin.Run(KV71P_TEST_PPD, {std::string("PageSize=") + m.name, std::string("Resolution=") + res.name},
                             pdf, res.x == 2 ? 2 : 1);
      ASSERT_EQ(r.exitStatus, 0) << r.err;
      // The recorder's line: width height bits/colour bits/pixel RGB(1)
      // bytes/line dpi dpi chunky(0) copies lines.
      const unsigned w = m.width * res.x, h = m.length * res.y;
      std::ostringstream page;
      page << "page " << w << " " << h << " 8 24 1 " << w * 3 << " " << 300 * res.x << " " << 300 * res.y << " 0 "
           << (res.x == 2 ? 2 : 1) << " " << h << "\n";
      EXPECT_EQ(r.out, page.str());
    }
  }
}

// What the filter makes of job options with or without the PPD: its
// settings and the setting commands it writes.
std::string FilterView(ppd_file_t* ppd, const Pairs& job) {
  const kv71p::test::JobOptions options(job);
  kv71p::test::CapturedOutput out;
  FdBlockWriter writer(out.fd());
  DeviceEntry_KV71P e(writer);
  e.SetSettings(JobSettingsFromOptions(PrintOptions(options.count(), options.options(), ppd)));
  e.SendFinishing();
  const JobSettings& s = e.settings();
  std::ostringstream view;
  view << s.resolutionMode << " " << s.resolutionDpi << " " << e.mediaInfo.mediaCode << " " << s.border << s.icm
       << s.colorAdjustment << " " << s.sharpness;
  for (int k = 0; k < 3; ++k) view << " " << s.gamma[k] << " " << s.brightness[k] << " " << s.contrast[k];
  view << " " << s.chroma << " " << out.Take();
  return view.str();
}

TEST(Ppd, DefaultsAndChoicesMeanWhatTheFilterExpects) {
  kv71p::test::TestCacheDir cache;
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
