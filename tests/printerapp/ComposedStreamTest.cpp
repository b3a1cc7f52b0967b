// The printer application composes the command stream the CUPS filter
// makes: the same pages and settings go through the real rastertokv71p (CUPS
// raster, the queue's PPD, the per-job file) and through the application's
// job (IPP values, lines as PAPPL delivers them, the loaded media from its
// printer link), and the bytes must be equal. Each print reaches the link
// whole and alone, numbered. The media sizes the application offers make exactly the
// PPD's raster.
#include <cups/ppd.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "printerapp/DriverTables.h"
#include "printerapp/PhotoJob.h"
#include "tests/filter/FilterRunner.h"

namespace {

using namespace kv71p::printerapp;
using namespace kv71p::test;
using kv71p::filter::PerJobValues;

// A printer that keeps every print it is sent.
class KeptPrints : public PrinterLink {
 public:
  explicit KeptPrints(PerJobValues loaded) : loaded_(std::move(loaded)) {}
  StepResult Prepare(PerJobValues* loadedMedia) override {
    *loadedMedia = loaded_;
    return StepResult::Done;
  }
  StepResult SendPrint(const kv71p::delivery::Print& print) override {
    EXPECT_EQ(print.number, static_cast<int>(prints.size()) + 1);
    std::string bytes;
    for (const auto& block : print.blocks) bytes.append(block.begin(), block.end());
    prints.push_back(bytes);
    return StepResult::Done;
  }
  std::vector<std::string> prints;

 private:
  PerJobValues loaded_;
};

struct Case {
  const char* name;
  std::string filterOptions;  // the job's PPD options, as CUPS hands them to the filter
  std::string jobFile;        // the per-job file the filter reads
  PerJobValues loaded;        // the same loaded media, as the application's link reports it
  IppJobChoices ipp;          // the same settings as IPP values
  std::vector<RasterPage> pages;
  bool copiesRendered = false;  // each copy arrives again, as PAPPL renders images
  bool greyLines = false;       // the application gets the grey lines of the (grey) pages
};

// The application's job on the case's pages; the prints it sent.
std::vector<std::string> ComposeInApp(const Case& c) {
  KeptPrints link(c.loaded);
  PerJobValues loaded;
  EXPECT_EQ(link.Prepare(&loaded), StepResult::Done);
  PhotoJob job(c.ipp, loaded, link, [] { return false; });
  unsigned number = 0;
  for (const RasterPage& page : c.pages) {
    cups_page_header2_t h{};
    h.cupsWidth = page.width;
    h.cupsHeight = page.height;
    h.HWResolution[0] = page.dpiX;
    h.HWResolution[1] = page.dpiY;
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = c.greyLines ? 8 : 24;
    h.cupsBytesPerLine = page.width * h.cupsBitsPerPixel / 8;
    h.cupsColorSpace = c.greyLines ? CUPS_CSPACE_SW : CUPS_CSPACE_SRGB;
    ++number;
    for (unsigned delivery = 0; delivery < (c.copiesRendered ? page.copies : 1); ++delivery) {
      EXPECT_TRUE(job.StartPage(h, number)) << job.error();
      for (unsigned y = 0; y < page.height; ++y) {
        std::vector<unsigned char> line = page.Line(y);
        if (c.greyLines)
          for (unsigned x = 0; x < page.width; ++x) line[x] = line[3 * x];
        job.WriteLine(y, line.data());
      }
      EXPECT_TRUE(job.EndPage(static_cast<int>(page.copies)));
    }
  }
  EXPECT_TRUE(job.Finish());
  return link.prints;
}

// A page whose three channels are equal: the sRGB page a grey one stands for.
RasterPage GreyPage(unsigned width, unsigned height, unsigned copies) {
  RasterPage page = PatternPage(width, height, 3, copies);
  page.fill = [](unsigned i, std::vector<unsigned char>& bytes) {
    for (size_t b = 0; b < bytes.size(); ++b) bytes[b] = static_cast<unsigned char>((i * 7 + b / 3 * 13) % 256);
  };
  return page;
}

using Values = std::map<std::string, std::string>;

IppJobChoices Ipp(const char* media, unsigned xdpi = 300, unsigned ydpi = 300, Values job = {}, Values printer = {}) {
  return {media, xdpi, ydpi, std::move(job), std::move(printer)};
}

RasterPage At(RasterPage page, unsigned dpiX, unsigned dpiY) {
  page.dpiX = dpiX;
  page.dpiY = dpiY;
  return page;
}

std::string JobFile(const char* size, const char* remainHalf) {
  return std::string("MEDIA_SIZE=\"") + size + "\"\nMEDIA_CLASS=\"0002\"\nMEDIA_REMAIN_HALF=\"" + remainHalf + "\"\n";
}

TEST(ComposedStream, FilterAndPrinterApplicationWriteTheSameBytes) {
  const char* const k8x4 = kv71p::printerapp::kMediaSizes[0].pwgName;
  const char* const k8x10 = kv71p::printerapp::kMediaSizes[4].pwgName;
  const char* const kA5 = kv71p::printerapp::kMediaSizes[6].pwgName;
  const std::vector<Case> cases = {
      {"defaults: the PPD's and the application's agree", "", "", {}, Ipp(k8x4), {PatternPage(320, 160, 1)}},
      {"every setting from the job, 8x10 at 300x600 dpi",
       "PageSize=207x257mm Resolution=300x600dpi VexOvercoatFinish=Luster Vex2InchCut=Enable VexPrintSpeed=Enable "
       "VexPrintRetry=Disable VexBorder=Enable VexICM=None VexSharpness=5 VexColorAdjustment=Enable VexGammaR=30 "
       "VexGammaG=-20 VexGammaB=10 VexBrightnessR=10 VexBrightnessB=-10 VexContrastR=20 VexContrastG=-30 VexChroma=40",
       "", {},
       Ipp(k8x10, 300, 600,
           {{"kv71p-overcoat-finish", "luster"}, {"kv71p-two-inch-cut", "true"}, {"kv71p-high-speed", "true"},
         {"kv71p-print-retry", "false"}, {"kv71p-white-border", "true"}, {"kv71p-color-matching", "false"},
         {"kv71p-sharpness", "5"}, {"kv71p-color-adjustment", "true"}, {"kv71p-gamma-red", "30"},
         {"kv71p-gamma-green", "-20"}, {"kv71p-gamma-blue", "10"}, {"kv71p-brightness-red", "10"},
         {"kv71p-brightness-blue", "-10"}, {"kv71p-contrast-red", "20"}, {"kv71p-contrast-green", "-30"},
         {"kv71p-chroma", "40"}}),
       {At(PatternPage(300, 400, 2), 300, 600)}},
      {"printer defaults under the job's values; a value out of range is not taken",
       "PageSize=214x151mm Resolution=600x600dpi VexOvercoatFinish=Matte VexSharpness=-2", "", {},
       Ipp(kA5, 600, 600, {{"kv71p-sharpness", "-2"}, {"kv71p-chroma", "500"}},
           {{"kv71p-overcoat-finish", "matte"}, {"kv71p-sharpness", "8"}}),
       {At(PatternPage(360, 240, 4), 600, 600)}},
      {"three photos a print, the first alone (odd half prints), copies across pages", "",
       JobFile("00510", "00005"), {"00510", "0002", 5}, Ipp(k8x4),
       {PatternPage(300, 150, 5, 3), PatternPage(280, 170, 6, 2)}},
      {"two photos a print on A5, each copy rendered again", "PageSize=214x151mm", JobFile("00600", "00004"),
       {"00600", "0002", 4}, Ipp(kA5), {PatternPage(250, 180, 7, 3), PatternPage(250, 180, 8, 1)}, true},
      {"grey lines print as the sRGB page they stand for", "", "", {}, Ipp(k8x4), {GreyPage(200, 120, 2)}, false, true},
  };

  kv71p::test::FilterRunner runner;
  std::vector<FilterJob> jobs;
  for (const Case& c : cases)
    jobs.push_back({c.filterOptions, c.jobFile, c.pages, false, {std::string("PPD=") + KV71P_TEST_PPD}});
  const auto runs = runner.Run(jobs);

  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_EQ(runs[i].process.exitStatus, 0) << runs[i].process.err;
    ASSERT_FALSE(runs[i].output.prints.empty());
    const std::vector<std::string> prints = ComposeInApp(cases[i]);
    std::string all;
    for (const std::string& print : prints) {
      const auto alone = kv71p::test::DecodePrintOutput(print);
      EXPECT_TRUE(alone.wellFormed && alone.prints.size() == 1 && alone.blocks.back() == "CNTRL START")
          << "each print reaches the link whole and alone";
      all += print;
    }
    EXPECT_EQ(prints.size(), runs[i].output.prints.size());
    EXPECT_TRUE(all == runs[i].process.out) << "the streams differ";
  }
}

// PAPPL sizes a page's raster from the PWG name (hundredths of millimetres,
// truncated to dots); the filter gets the PPD's page in points. Both must
// give the same dots at every resolution.
TEST(ComposedStream, MediaSizesMakeThePpdsRaster) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ppd_file_t* ppd = ppdOpenFile(KV71P_TEST_PPD);
  ASSERT_NE(ppd, nullptr);
  for (const auto& media : kv71p::printerapp::kMediaSizes) {
    const ppd_size_t* size = ppdPageSize(ppd, media.pageSize);
    ASSERT_NE(size, nullptr) << media.pageSize;
    for (const auto& r : kv71p::printerapp::kResolutions) {
      cups_page_header2_t h{};
      ASSERT_TRUE(cupsRasterInitPWGHeader(&h, pwgMediaForPWG(media.pwgName), "srgb_8", r.xdpi, r.ydpi, "one-sided",
                                          "normal"));
      EXPECT_EQ(h.cupsWidth, std::lround(size->width * r.xdpi / 72)) << media.pwgName << " " << r.ppdChoice;
      EXPECT_EQ(h.cupsHeight, std::lround(size->length * r.ydpi / 72)) << media.pwgName << " " << r.ppdChoice;
    }
  }
  ppdClose(ppd);
#pragma GCC diagnostic pop
}

}  // namespace
