// The filter program run as CUPS runs it, on raster the tests write: its
// arguments, the orientation, the layouts of the loaded media with copies
// and the first-alone rule, the settings it sends, colour matching. Every
// plane is compared pixel for pixel with the raster lines placed by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ColorEngine.h"
#include "FilterRunner.h"
#include "PlainImaging.h"
#include "TestProfiles.h"

namespace {

using kv71p::test::DefaultPrintBlocks;
using kv71p::test::FilterJob;
using kv71p::test::FilterRun;
using kv71p::test::FilterRunner;
using kv71p::test::PatternPage;
using kv71p::test::Place;
using kv71p::test::PlanesShow;
using kv71p::test::RasterPage;
using kv71p::test::RunProcess;

// Colour matching, tone and sharpness neutral: the photos arrive as drawn.
const char kNeutral[] = "VexICM=None";

// What every run must keep to: a normal exit, nothing on standard error,
// a stream that is well formed and ends between two blocks.
void ExpectCleanRun(const FilterRun& run, int exitStatus = 0) {
  EXPECT_EQ(run.process.exitStatus, exitStatus);
  EXPECT_EQ(run.process.err, "");
  EXPECT_TRUE(run.output.wellFormed) << run.output.error;
}

TEST(FilterProgram, ArgumentsAndEmptyInput) {
  FilterRunner runner;
  // Wrong argument counts and a missing input file: status 1, no output.
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{KV71P_TEST_FILTER, "1", "u", "t", "1"},
        std::vector<std::string>{KV71P_TEST_FILTER, "1", "u", "t", "1", "", "a", "b"}}) {
    const auto r = RunProcess(argv);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out + r.err, "");
  }
  const auto start = std::chrono::steady_clock::now();
  const auto missing = RunProcess({KV71P_TEST_FILTER, "1", "u", "t", "1", "", runner.path("none")});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_EQ(missing.out + missing.err, "");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));

  // No pages, no copies, or no raster at all: nothing is written.
  FilterJob noPages{kNeutral, "", {}};
  FilterJob noCopies{kNeutral, "", {PatternPage(20, 10, 0, 0)}};
  FilterJob empty{kNeutral, "", {}, true, {}};
  const auto runs = runner.Run({noPages, noCopies, empty});
  for (const FilterRun& run : runs) {
    ExpectCleanRun(run);
    EXPECT_EQ(run.process.out, "");
  }
}

TEST(FilterProgram, OrientationTurnsThePictureOrNot) {
  FilterRunner runner;
  const RasterPage page = PatternPage(300, 200, 1);
  const RasterPage full = PatternPage(2448, 1236, 2);
  const struct {
    const char* option;
    int orientation;  // as the expectation reads it
    bool viaStdin;
  } cases[] = {{"", 1, false},     {"1", 1, true},  {"3", 3, false}, {"2", 2, false},
               {"4", 4, true},     {"abc", 0, false}, {"5", 5, false}};
  std::vector<FilterJob> jobs;
  for (const auto& c : cases) {
    std::string options = kNeutral;
    if (*c.option) options += std::string(" com.apple.print.preset.Orientation..n.=") + c.option;
    jobs.push_back({options, "", {page, full}, c.viaStdin});
  }
  const auto runs = runner.Run(jobs);
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(cases[i].option);
    ExpectCleanRun(runs[i]);
    ASSERT_EQ(runs[i].output.prints.size(), 2u);
    const std::vector<std::string> one = DefaultPrintBlocks(408);
    std::vector<std::string> blocks = one;
    blocks.insert(blocks.end(), one.begin(), one.end());
    EXPECT_EQ(runs[i].output.blocks, blocks);
    EXPECT_TRUE(PlanesShow(runs[i].output, 0, 1236, {Place(page, cases[i].orientation, 0, 1236, 0)}));
    EXPECT_TRUE(PlanesShow(runs[i].output, 1, 1236, {Place(full, cases[i].orientation, 0, 1236, 0)}));
  }
}

TEST(FilterProgram, LayoutsCopiesAndTheFirstAloneRule) {
  FilterRunner runner;
  const RasterPage a = PatternPage(200, 100, 1), b = PatternPage(210, 90, 2),
                   c = PatternPage(190, 110, 3), d = PatternPage(180, 120, 4);
  RasterPage a3 = a;
  a3.copies = 3;
  // A print: its multi-cut code, page length, and the pages in its slots.
  struct Print {
    int multiCut, pageLength;
    std::vector<const RasterPage*> photos;
  };
  // Panel pitch of the multi-photo pages: photo length plus gap.
  auto pitch = [](int multiCut) { return multiCut == 35 ? 1814 : multiCut == 14 ? 1566 : 1266; };
  auto photoLength = [](int multiCut) {
    return multiCut == 35 ? 1784 : multiCut == 410 ? 1836 : multiCut == 14 ? 1536 : 1236;
  };
  const struct {
    const char* name;
    const char* pageSize;
    std::string jobFile;
    std::vector<RasterPage> pages;
    std::vector<Print> prints;
  } cases[] = {
      {"2 per print, 3 copies", "207x105mm", "MEDIA_SIZE=\"00500\"\n", {a3},
       {{13, 2502, {&a, &a}}, {408, 1236, {&a}}}},
      {"odd half prints", "207x105mm", "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"00003\"\n",
       {a, b, c}, {{408, 1236, {&a}}, {13, 2502, {&b, &c}}}},
      {"odd half prints, copies", "207x105mm",
       "MEDIA_REMAIN_HALF=\"3\"\nMEDIA_SIZE=\"00500\"\n", {a3}, {{408, 1236, {&a}}, {13, 2502, {&a, &a}}}},
      {"negative half prints", "207x105mm", "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"-1\"\n",
       {a, b, c}, {{13, 2502, {&a, &b}}, {408, 1236, {&c}}}},
      {"even half prints", "207x105mm", "MEDIA_SIZE=\"00500\"\nMEDIA_REMAIN_HALF=\"4\"\n",
       {a, b, c}, {{13, 2502, {&a, &b}}, {408, 1236, {&c}}}},
      {"3 per print", "207x105mm", "MEDIA_SIZE=\"00510\"\n", {a, b, c, d},
       {{20, 3768, {&a, &b, &c}}, {408, 1236, {&d}}}},
      {"A5 pairs", "214x151mm", "MEDIA_SIZE=\"00600\"\n", {a, b}, {{35, 3598, {&a, &b}}}},
      {"8x5 pairs", "207x130mm", "MEDIA_SIZE=\"00500\"\n", {a, b}, {{14, 3102, {&a, &b}}}},
      {"8x6 singles", "207x156mm", "MEDIA_SIZE=\"00500\"\n", {a, b},
       {{410, 1836, {&a}}, {410, 1836, {&b}}}},
      {"no per-job values", "207x105mm", "", {a, b}, {{408, 1236, {&a}}, {408, 1236, {&b}}}},
  };
  std::vector<FilterJob> jobs;
  for (const auto& c : cases)
    jobs.push_back({std::string(kNeutral) + " PageSize=" + c.pageSize, c.jobFile, c.pages});
  const auto runs = runner.Run(jobs);
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    ExpectCleanRun(runs[i]);
    std::vector<std::string> blocks;
    for (const Print& print : cases[i].prints) {
      const auto more = DefaultPrintBlocks(print.multiCut);
      blocks.insert(blocks.end(), more.begin(), more.end());
    }
    EXPECT_EQ(runs[i].output.blocks, blocks);
    for (size_t p = 0; p < cases[i].prints.size(); ++p) {
      const Print& print = cases[i].prints[p];
      std::vector<kv71p::test::PlacedPhoto> placed;
      for (size_t s = 0; s < print.photos.size(); ++s)
        placed.push_back(Place(*print.photos[s], 1, static_cast<int>(s),
                               photoLength(print.multiCut), pitch(print.multiCut)));
      EXPECT_TRUE(PlanesShow(runs[i].output, p, print.pageLength, placed)) << "print " << p;
    }
  }
}

TEST(FilterProgram, SettingsReachThePrinter) {
  FilterRunner runner;
  const RasterPage page = PatternPage(400, 100, 5);
  RasterPage page600 = PatternPage(400, 100, 5);
  page600.dpiX = page600.dpiY = 600;
  const struct {
    const char* name;
    std::string options;
    std::vector<std::string> env;
    std::vector<std::string> settings;  // the four blocks before MULTICUT
    int multiCut, pageLength, dpiY, step;
  } cases[] = {
      {"600x600dpi halves the width", "Resolution=600x600dpi", {},
       {"CUTTER 00000000", "OVERCOAT 00000000", "BUFFCNTRL 00000001", "PRINTSPEED 00000000"},
       408, 2472, 600, 2},
      {"300x600dpi", "Resolution=300x600dpi VexPrintSpeed=Enable", {},
       {"CUTTER 00000000", "OVERCOAT 00000000", "BUFFCNTRL 00000001", "PRINTSPEED 00000030"},
       408, 2472, 600, 1},
      {"finish, cut, retry", "PageSize=207x257mm Vex2InchCut=Enable VexOvercoatFinish=Luster VexPrintRetry=Disable",
       {}, {"CUTTER 00000120", "OVERCOAT 00000022", "BUFFCNTRL 00000000", "PRINTSPEED 00000000"},
       6, 3036, 300, 1},
      {"queue PPD defaults", "", {std::string("PPD=") + KV71P_TEST_PPD},
       {"CUTTER 00000000", "OVERCOAT 00000000", "BUFFCNTRL 00000001", "PRINTSPEED 00000000"},
       408, 1236, 300, 1},
  };
  std::vector<FilterJob> jobs;
  for (const auto& c : cases) {
    const bool at600 = c.options.find("600x600") != std::string::npos;
    jobs.push_back({std::string(kNeutral) + " " + c.options, "", {at600 ? page600 : page}, false, c.env});
  }
  const auto runs = runner.Run(jobs);
  for (size_t i = 0; i < runs.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    ExpectCleanRun(runs[i]);
    ASSERT_EQ(runs[i].output.prints.size(), 1u);
    for (size_t s = 0; s < 4; ++s) EXPECT_EQ(runs[i].output.blocks[s], "CNTRL " + c.settings[s]);
    EXPECT_EQ(runs[i].output.prints[0].multiCut, c.multiCut);
    EXPECT_EQ(runs[i].output.Plane(0, 0).dpiY, c.dpiY);
    EXPECT_TRUE(PlanesShow(runs[i].output, 0, c.pageLength,
                           {Place(c.step == 2 ? page600 : page, 1, 0, c.pageLength, 0, c.step)}));
  }
}

TEST(FilterProgram, ColourMatchingWithGeneratedProfiles) {
  FilterRunner runner;
  const std::string matrix = runner.path("matrix.icc"), lut = runner.path("lut.icc"),
                    cmyk = runner.path("cmyk.icc");
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::MatrixShaperRgb, matrix));
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, lut));
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutCmyk, cmyk));
  // A page of many colours (every pixel different).
  RasterPage page;
  page.width = 256;
  page.height = 64;
  page.fill = [](unsigned i, std::vector<unsigned char>& bytes) {
    for (unsigned k = 0; k < 256; ++k) {
      bytes[k * 3] = static_cast<unsigned char>(k);
      bytes[k * 3 + 1] = static_cast<unsigned char>(i * 4);
      bytes[k * 3 + 2] = static_cast<unsigned char>(255 - k + i);
    }
  };
  // The photo as the pipeline must make it: stored rows bottom-up,
  // converted by the colour engine when `profile` is set, then the chroma
  // step with 0.
  auto expected = [&](const std::string& profile) {
    plain::Image photo(256, 64);
    for (unsigned i = 0; i < 64; ++i) {
      const auto line = page.Line(i);
      std::copy(line.begin(), line.end(), photo.row(63 - static_cast<int>(i)));
    }
    if (!profile.empty()) {
      plain::Image converted = photo;
      kv71p::ColorEngineTransform::FromProfile(profile.c_str())
          ->Convert(photo.bytes.data(), converted.bytes.data(), 256, 64, photo.stride);
      photo = converted;
    }
    plain::Saturation(photo, 0, 1);
    return photo;
  };
  const struct {
    const char* name;
    std::string options;
    std::string used;  // the profile that must have been applied
  } cases[] = {
      {"matrix/shaper", "VexICCProfile=" + matrix, matrix},
      {"LUT", "VexICCProfile=" + lut, lut},
      {"missing profile", "VexICCProfile=" + runner.path("missing.icc"), ""},
      {"CMYK profile", "VexICCProfile=" + cmyk, ""},
      {"empty path", "VexICCProfile=''", ""},
      {"a folder", "VexICCProfile=" + runner.path(""), ""},
      {"application matching", "AP_ColorMatchingMode=AP_ApplicationColorMatching VexICCProfile=" + lut, ""},
      {"matching off", "VexICM=None VexICCProfile=" + lut, ""},
      {"model profile not installed", "", ""},
  };
  std::vector<FilterJob> jobs;
  for (const auto& c : cases) jobs.push_back({c.options, "MEDIA_CLASS=\"0001\"\n", {page}});
  const auto runs = runner.Run(jobs);
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    ExpectCleanRun(runs[i]);
    ASSERT_EQ(runs[i].output.prints.size(), 1u);
    const plain::Image photo = expected(cases[i].used);
    for (int k = 0; k < 3; ++k) {
      const auto plane = runs[i].output.Plane(0, k);
      bool same = true;
      for (int row = 0; row < 64 && same; ++row)
        for (int x = 0; x < 256 && same; ++x)
          same = kv71p::test::Stored(plane, 1152 + x, 586 + row) == photo.row(row)[x * 3 + 2 - k];
      EXPECT_TRUE(same) << "plane " << k;
    }
  }
}

}  // namespace
