// The queue's PPD: cupstestppd accepts it, its defaults and choices mean
// to the filter what they should, and the real CUPS filter chain turns a
// PDF into raster of exactly the media's size at every resolution.
#include <cups/cups.h>
#include <cups/ppd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DeviceEntry_KV71P.h"
#include "Subprocess.h"
#include "TestTempDir.h"

namespace fs = std::filesystem;
using kv71p::test::ProcessOptions;
using kv71p::test::ReadFile;
using kv71p::test::RunProcess;
using kv71p::test::WriteFile;

namespace {

// A ServerBin whose filter/ folder links the system's filters plus the
// raster recorder as "rastertokv71p", and a cups-files.conf naming it.
class FilterServerBin {
 public:
  FilterServerBin() {
    chmod(dir_.path().c_str(), 0755);
    const fs::path filters = fs::path(dir_.path()) / "serverbin/filter";
    fs::create_directories(filters);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/usr/lib/cups/filter", ec))
      fs::create_symlink(e.path(), filters / e.path().filename(), ec);
    // A copy with a fixed mode: run as root, cupsfilter refuses filters
    // that others may write to.
    const fs::path recorder = filters / "rastertokv71p";
    fs::copy_file(KV71P_TEST_RASTER_RECORDER, recorder, ec);
    chmod(recorder.c_str(), 0755);
    WriteFile(filesConf(), "ServerBin " + serverBin() + "\nDataDir /usr/share/cups\n");
  }
  std::string serverBin() const { return dir_ / "serverbin"; }
  std::string filesConf() const { return dir_ / "cups-files.conf"; }
  std::string path(const std::string& name) const { return dir_ / name; }

 private:
  TestTempDir dir_;
};

// A two-page PDF drawn by hand (a red and a blue rectangle on 400 x 300 pt).
std::string TwoPagePdf() {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] /Contents 5 0 R >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] /Contents 6 0 R >>",
  };
  for (const char* draw : {"1 0 0 rg 20 20 200 150 re f", "0 0 1 rg 100 50 250 200 re f"})
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

TEST(Ppd, PassesCupstestppd) {
  FilterServerBin bin;
  ProcessOptions options;
  options.env = {"CUPS_SERVERBIN=" + bin.serverBin()};
  const auto r = RunProcess({"cupstestppd", KV71P_TEST_PPD}, options);
  EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(": PASS"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
}

// Media sizes in dots at 300 dpi (width, length), per page size name.
struct Media {
  const char* name;
  unsigned width, length;
};
const Media kMedia[] = {
    {"207x105mm", 2448, 1236}, {"207x130mm", 2448, 1536}, {"207x156mm", 2448, 1836},
    {"207x206mm", 2448, 2436}, {"207x257mm", 2448, 3036}, {"207x308mm", 2448, 3636},
    {"214x151mm", 2528, 1784}, {"214x300mm", 2528, 3544},
};

TEST(Ppd, FilterChainMakesRasterOfTheMediaSizeAtEveryResolution) {
  FilterServerBin bin;
  const std::string pdf = bin.path("two-pages.pdf");
  ASSERT_TRUE(WriteFile(pdf, TwoPagePdf()));
  const struct {
    const char* name;
    unsigned xScale, yScale;  // dots per 300 dpi dot
  } resolutions[] = {{"300dpi", 1, 1}, {"300x600dpi", 1, 2}, {"600x600dpi", 2, 2}};
  for (const auto& res : resolutions) {
    for (const Media& m : kMedia) {
      const auto r = RunProcess({"cupsfilter", "-e", "-p", KV71P_TEST_PPD, "-m", "printer/foo",
                                 "-c", bin.filesConf(), "-o", std::string("PageSize=") + m.name,
                                 "-o", std::string("Resolution=") + res.name, pdf},
                                {{}, "", "", 120});
      ASSERT_EQ(r.exitStatus, 0) << m.name << " " << res.name << "\n" << r.err;
      const unsigned w = m.width * res.xScale, h = m.length * res.yScale;
      // width height bits/colour bits/pixel RGB(1) bytes/line dpi dpi chunky(0)
      // copies lines
      std::ostringstream page;
      page << "page " << w << " " << h << " 8 24 1 " << w * 3 << " " << 300 * res.xScale << " "
           << 300 * res.yScale << " 0 1 " << h << "\n";
      EXPECT_EQ(r.out, page.str() + page.str()) << m.name << " " << res.name;
    }
  }
}

// What the filter makes of a set of job options with or without the PPD:
// its settings and the setting commands it writes.
std::string FilterView(ppd_file_t* ppd, const std::vector<std::pair<std::string, std::string>>& job,
                       const std::string& scratch) {
  cups_option_t* options = nullptr;
  int n = 0;
  for (const auto& [k, v] : job) n = cupsAddOption(k.c_str(), v.c_str(), n, &options);
  DeviceEntry_KV71P entry;
  std::FILE* out = std::fopen(scratch.c_str(), "w+");
  entry.SetOutputFd(fileno(out));
  entry.SetResolution(n, options, ppd);
  entry.SetMediaSize(n, options, ppd);
  entry.SetBorder(n, options, ppd);
  entry.SetICM(n, options, ppd);
  entry.SetSharpness(n, options, ppd);
  entry.SetGamma(n, options, ppd);
  entry.SetIntensity(n, options, ppd);
  entry.SetContrast(n, options, ppd);
  entry.SetSaturation(n, options, ppd);
  entry.SetColorAdjustment(n, options, ppd);
  entry.SendCutterMode(n, options, ppd);
  entry.SendOvercoatFinish(n, options, ppd);
  entry.SendPrintRetry(n, options, ppd);
  entry.SendPrintSpeed(n, options, ppd);
  entry.SendDecurl(n, options, ppd);
  std::fclose(out);
  cupsFreeOptions(n, options);
  std::ostringstream view;
  view << entry.resolutionMode << " " << entry.resolutionDpi << " " << entry.mediaInfo.mediaCode
       << " " << entry.border << entry.icm << entry.colorAdjustment << " " << entry.sharpness
       << " " << entry.gammaR << " " << entry.gammaG << " " << entry.gammaB << " "
       << entry.brightnessR << " " << entry.brightnessG << " " << entry.brightnessB << " "
       << entry.contrastR << " " << entry.contrastG << " " << entry.contrastB << " "
       << entry.chroma << " " << ReadFile(scratch);
  return view.str();
}

TEST(Ppd, CopiesReachTheFilterInThePageHeader) {
  // The filter places each photo NumCopies times; the chain renders every
  // page once.
  FilterServerBin bin;
  const std::string pdf = bin.path("two-pages.pdf");
  ASSERT_TRUE(WriteFile(pdf, TwoPagePdf()));
  const auto r = RunProcess({"cupsfilter", "-e", "-n", "3", "-p", KV71P_TEST_PPD, "-m",
                             "printer/foo", "-c", bin.filesConf(), pdf});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  const std::string page = "page 2448 1236 8 24 1 7344 300 300 0 3 1236\n";
  EXPECT_EQ(r.out, page + page);
}

TEST(Ppd, DefaultsAndChoicesMeanWhatTheFilterExpects) {
  TestTempDir dir;
  setenv("KV71P_CACHE_DIR", (dir / "cache").c_str(), 1);
  const std::string scratch = dir / "out";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ppd_file_t* ppd = ppdOpenFile(KV71P_TEST_PPD);
  ASSERT_NE(ppd, nullptr);
  EXPECT_STREQ(ppd->manufacturer, "KORVALE SYSTEMS");
  EXPECT_STREQ(ppd->modelname, "KORVALE SYSTEMS KV-71P");
  EXPECT_EQ(ppd->color_device, 1);

  // The PPD's defaults act as if no option were given at all.
  EXPECT_EQ(FilterView(ppd, {}, scratch), FilterView(nullptr, {}, scratch));

  // Every choice of an option changes what the filter does, with the
  // other options at their defaults (or in the context where the option
  // matters).
  const struct {
    const char* keyword;
    std::vector<std::pair<std::string, std::string>> context;
  } options[] = {
      {"Resolution", {}},
      {"PageSize", {}},
      {"VexBorder", {}},
      {"VexICM", {}},
      {"VexSharpness", {}},
      {"VexColorAdjustment", {}},
      {"VexGammaR", {}},
      {"VexGammaG", {}},
      {"VexGammaB", {}},
      {"VexBrightnessR", {}},
      {"VexBrightnessG", {}},
      {"VexBrightnessB", {}},
      {"VexContrastR", {}},
      {"VexContrastG", {}},
      {"VexContrastB", {}},
      {"VexChroma", {}},
      {"VexOvercoatFinish", {}},
      {"Vex2InchCut", {{"PageSize", "207x257mm"}}},
      {"VexPrintRetry", {}},
      {"VexPrintSpeed", {{"Resolution", "300x600dpi"}}},
  };
  for (const auto& o : options) {
    ppd_option_t* option = ppdFindOption(ppd, o.keyword);
    ASSERT_NE(option, nullptr) << o.keyword;
    std::set<std::string> views;
    for (int i = 0; i < option->num_choices; ++i) {
      auto job = o.context;
      job.emplace_back(o.keyword, option->choices[i].choice);
      views.insert(FilterView(ppd, job, scratch));
    }
    EXPECT_EQ(views.size(), static_cast<size_t>(option->num_choices)) << o.keyword;
  }
  // The decurl mode is offered (this model takes no decurl command).
  ppd_option_t* decurl = ppdFindOption(ppd, "VexDecurl");
  ASSERT_NE(decurl, nullptr);
  EXPECT_STREQ(decurl->defchoice, "Auto");

  // The all-channel tone keywords have no default in the PPD: a default
  // would always win over the per-channel choices. As job options they
  // still set all three channels.
  for (const char* keyword : {"VexGamma", "VexBrightness", "VexContrast"}) {
    SCOPED_TRACE(keyword);
    EXPECT_EQ(ppdFindOption(ppd, keyword), nullptr);
    const std::string channel = std::string(keyword) + "R";
    EXPECT_EQ(FilterView(ppd, {{"VexGammaR", "0"}, {keyword, "50"}, {channel, "-20"}}, scratch),
              FilterView(ppd, {{"VexGammaR", "0"}, {keyword, "50"}}, scratch));
  }
  ppdClose(ppd);
#pragma GCC diagnostic pop
  unsetenv("KV71P_CACHE_DIR");
}

}  // namespace
