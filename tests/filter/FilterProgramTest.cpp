// The filter program run as CUPS runs it, on raster the tests write: its
// arguments, the orientation, the layouts of the loaded media with copies
// and the first-alone rule, the settings it sends, colour matching, hostile
// pages, an output that goes away and a job cancelled while it waits. Every
// plane is compared pixel for pixel with the raster lines placed by hand.
// (Cancellation at any point of a job: tests/hardening/CancelFaultTest.)
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/color/ColorEngine.h"
#include "tests/filter/FilterRunner.h"
#include "tests/support/PlainImaging.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

namespace {

using namespace kv71p::test;

// Colour matching, tone and sharpness neutral: the photos arrive as drawn.
const char kNeutral[] = "VexICM=None";

// What every run must keep to: a normal exit, nothing on standard error,
// a stream that is well formed and ends between two blocks.
void ExpectCleanRun(const FilterRun& run, int exitStatus = 0) {
  EXPECT_EQ(run.process.exitStatus, exitStatus);
  EXPECT_EQ(run.process.err, "");
  EXPECT_TRUE(run.output.wellFormed) << run.output.error;
}

TEST(FilterProgram, WrongArgumentsMissingInputGoneOutputAndCancelledWait) {
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

  // A backend that goes away at once: status 1, nothing on standard error.
  const std::string raster = runner.path("job.ras");
  ASSERT_TRUE(kv71p::test::WriteRaster(raster, {PatternPage(2448, 1236, 1, 3)}));
  ASSERT_TRUE(kv71p::test::WriteFile(runner.cache() + "/Print_9.log", ""));
  const auto gone = RunProcess({"bash", "-c", "set -o pipefail; \"$0\" 9 u t 1 '' \"$1\" | true", KV71P_TEST_FILTER, raster},
                               {{"KV71P_CACHE_DIR=" + runner.cache()}, "", "", 60});
  EXPECT_EQ(gone.exitStatus, 1);
  EXPECT_EQ(gone.err, "");

  // SIGTERM while the job waits for its per-job file: it ends at once
  // with status 0 and writes nothing.
  kv71p::test::BackgroundProcess waiting;
  const std::string out = runner.path("out");
  ASSERT_TRUE(waiting.Start({KV71P_TEST_FILTER, "77", "u", "t", "1", "", raster}, {"KV71P_CACHE_DIR=" + runner.cache()}, out));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(waiting.pid(), SIGTERM);
  EXPECT_TRUE(kv71p::test::WaitFor([&] { return !waiting.Running(); }, 5));
  EXPECT_EQ(waiting.exitStatus(), 0);
  EXPECT_EQ(kv71p::test::ReadFile(out), "");
}

// A page of `bitsPerPixel` bits per pixel whose lines are left black.
RasterPage Raw(unsigned width, unsigned height, unsigned bitsPerPixel) {
  RasterPage page;
  page.width = width;
  page.height = height;
  page.bitsPerPixel = bitsPerPixel;
  return page;
}

// `page` as the filter makes it with colour matching through `profile`
// (none when empty): each line converted by the colour engine, then the
// chroma step with 0.
RasterPage Matched(const RasterPage& page, const std::string& profile) {
  RasterPage matched = page;
  matched.fill = [page, profile](unsigned i, std::vector<unsigned char>& bytes) {
    page.fill(i, bytes);
    plain::Image line(static_cast<int>(bytes.size() / 3), 1);
    std::copy(bytes.begin(), bytes.end(), line.row(0));
    if (!profile.empty())
      kv71p::ColorEngineTransform::FromProfile(profile.c_str())->Convert(bytes.data(), line.row(0), line.width, 1, line.stride);
    plain::Saturation(line, 0, 1);
    std::copy(line.row(0), line.row(0) + bytes.size(), bytes.begin());
  };
  return matched;
}

// One print: its multi-cut code, page length, panel length and pitch, and
// the pages in its slots.
struct Print {
  int multiCut, pageLength, photoLength, pitch;
  std::vector<const RasterPage*> photos;
};

// Jobs on ordinary and on hostile raster: every run exits 0, writes nothing
// on standard error and a well-formed stream, whose blocks and planes are
// compared with the photos placed by hand (matched through the profile the
// job must use).
TEST(FilterProgram, JobsOfEveryLayoutOrientationSettingProfileAndHostilePage) {
  FilterRunner runner;
  const std::string matrix = runner.path("matrix.icc"), lut = runner.path("lut.icc"), cmyk = runner.path("cmyk.icc");
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::MatrixShaperRgb, matrix));
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, lut));
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutCmyk, cmyk));
  ASSERT_TRUE(kv71p::test::WriteFile(runner.path("garbage.icc"), std::string(300, 'x')));
  const RasterPage a = PatternPage(200, 100, 1), b = PatternPage(210, 90, 2), c = PatternPage(190, 110, 3),
                   d = PatternPage(180, 120, 4), a3 = PatternPage(200, 100, 1, 3), full = PatternPage(2448, 1236, 5),
                   large = PatternPage(2600, 1300, 6);
  RasterPage a600 = a;
  a600.dpiX = a600.dpiY = 600;
  // Lines of one byte per pixel, shorter than width x 3: only the bytes a
  // line has are stored.
  RasterPage shortLines = Raw(100, 40, 8);
  shortLines.fill = [](unsigned i, std::vector<unsigned char>& bytes) {
    for (size_t j = 0; j < bytes.size(); ++j) bytes[j] = (j / 3 + i) % 2 ? 255 : 0;
  };
  // A page whose buffer would exceed 1 GiB is read past without counting as
  // the job's first photo; one wider than any media allows is skipped.
  const RasterPage huge = Raw(20000, 18000, 8), wide = Raw(70000, 3, 8), tiny = PatternPage(1, 1, 5);
  RasterPage cut = PatternPage(120, 200, 6), badLineLength = PatternPage(100, 10, 8);
  cut.linesWritten = 50;  // the stream ends there: the rest stays black
  badLineLength.bytesPerLine = 7;
  // A page of many colours (every pixel different), and as matched.
  RasterPage manyColors = PatternPage(256, 64, 0);
  manyColors.fill = [](unsigned i, std::vector<unsigned char>& bytes) {
    for (unsigned k = 0; k < 256; ++k)
      bytes[k * 3] = k, bytes[k * 3 + 1] = i * 4, bytes[k * 3 + 2] = 255 - k + i;
  };
  const RasterPage byMatrix = Matched(manyColors, matrix), byLut = Matched(manyColors, lut), asIs = Matched(manyColors, "");
  const Print one = {408, 1236, 1236, 0, {&a}}, oneFull = {408, 1236, 1236, 0, {&full}};
  const auto unmatched = [&](const char* options) { return std::string("VexICM=Auto ") + options; };
  const std::vector<std::string> defaults = {"CUTTER 00000000", "OVERCOAT 00000000", "BUFFCNTRL 00000001", "PRINTSPEED 00000000"};
  const std::string pairs = "MEDIA_SIZE=\"00500\"\n";
  const struct {
    const char* name;
    std::string options, jobFile;
    std::vector<RasterPage> pages;
    std::vector<Print> prints;
    int orientation = 1;  // as the expectation reads it
    bool viaStdin = false;
    std::vector<std::string> settings = {}, env = {};
    int dpiY = 300, step = 1;  // step 2: the width halved at 600 x 600 dpi
  } cases[] = {
      {"upright", "", "", {a, full}, {one, oneFull}, 1, true},
      {"orientation 1", "Orientation..n.=1", "", {a, full}, {one, oneFull}, 1},
      {"orientation 3", "Orientation..n.=3", "", {a, full}, {one, oneFull}, 3, true},
      {"orientation 2 turns", "Orientation..n.=2", "", {a, full}, {one, oneFull}, 2},
      {"orientation 4 turns", "Orientation..n.=4", "", {a, full}, {one, oneFull}, 4, true},
      {"orientation abc", "Orientation..n.=abc", "", {a, full}, {one, oneFull}, 0},
      {"orientation 5", "Orientation..n.=5", "", {a, full}, {one, oneFull}, 5},
      {"2 per print, 3 copies", "", pairs, {a3}, {{13, 2502, 1236, 1266, {&a, &a}}, one}},
      {"odd half prints", "", pairs + "MEDIA_REMAIN_HALF=\"00003\"\n", {a, b, c}, {one, {13, 2502, 1236, 1266, {&b, &c}}}},
      {"odd half prints, copies", "", "MEDIA_REMAIN_HALF=\"3\"\n" + pairs, {a3}, {one, {13, 2502, 1236, 1266, {&a, &a}}}},
      {"negative half prints", "", pairs + "MEDIA_REMAIN_HALF=\"-1\"\n", {a, b, c}, {{13, 2502, 1236, 1266, {&a, &b}}, {408, 1236, 1236, 0, {&c}}}},
      {"even half prints", "", pairs + "MEDIA_REMAIN_HALF=\"4\"\n", {a, b, c}, {{13, 2502, 1236, 1266, {&a, &b}}, {408, 1236, 1236, 0, {&c}}}},
      {"3 per print", "", "MEDIA_SIZE=\"00510\"\n", {a, b, c, d}, {{20, 3768, 1236, 1266, {&a, &b, &c}}, {408, 1236, 1236, 0, {&d}}}},
      {"A5 pairs", "PageSize=214x151mm", "MEDIA_SIZE=\"00600\"\n", {a, b}, {{35, 3598, 1784, 1814, {&a, &b}}}},
      {"8x5 pairs", "PageSize=207x130mm", pairs, {a, b}, {{14, 3102, 1536, 1566, {&a, &b}}}},
      {"8x6 singles", "PageSize=207x156mm", pairs, {a, b}, {{410, 1836, 1836, 0, {&a}}, {410, 1836, 1836, 0, {&b}}}},
      {"no per-job values", "", "", {a, b}, {one, {408, 1236, 1236, 0, {&b}}}},
      {"larger than the panel", "", "", {large}, {{408, 1236, 1236, 0, {&large}}}},
      {"600x600dpi", "Resolution=600x600dpi", "", {a600}, {{408, 2472, 2472, 0, {&a600}}}, 1, false, defaults, {}, 600, 2},
      {"300x600dpi, fast", "Resolution=300x600dpi VexPrintSpeed=Enable", "", {a}, {{408, 2472, 2472, 0, {&a}}}, 1, false,
       {"CUTTER 00000000", "OVERCOAT 00000000", "BUFFCNTRL 00000001", "PRINTSPEED 00000030"}, {}, 600},
      {"finish, cut, retry", "PageSize=207x257mm Vex2InchCut=Enable VexOvercoatFinish=Luster VexPrintRetry=Disable", "",
       {a}, {{6, 3036, 3036, 0, {&a}}}, 1, false, {"CUTTER 00000120", "OVERCOAT 00000022", "BUFFCNTRL 00000000", "PRINTSPEED 00000000"}},
      {"queue PPD defaults", "", "", {a}, {one}, 1, false, defaults, {std::string("PPD=") + KV71P_TEST_PPD}},
      {"no pages", "", "", {}, {}},
      {"no copies", "", "", {PatternPage(20, 10, 0, 0)}, {}},
      {"no raster on standard input", "", "", {}, {}, 1, true},
      {"short lines", "", "", {shortLines}, {{408, 1236, 1236, 0, {&shortLines}}}},
      {"short lines turned", "Orientation..n.=2", "", {shortLines}, {{408, 1236, 1236, 0, {&shortLines}}}, 2},
      {"huge page skipped", "", pairs + "MEDIA_REMAIN_HALF=\"1\"\n", {huge, b, c, d},
       {{408, 1236, 1236, 0, {&b}}, {13, 2502, 1236, 1266, {&c, &d}}}},
      {"one pixel", "", "", {tiny}, {{408, 1236, 1236, 0, {&tiny}}}},
      {"too wide", "", "", {wide, tiny}, {{408, 1236, 1236, 0, {&tiny}}}},
      {"cut short", "", "", {cut}, {{408, 1236, 1236, 0, {&cut}}}},
      {"copies beyond the int range", "", "", {PatternPage(20, 10, 7, 0x80000000u)}, {}},
      {"line length refused", "", "", {badLineLength}, {}},
      {"matrix/shaper profile", unmatched("VexICCProfile=") + matrix, "", {manyColors}, {{408, 1236, 1236, 0, {&byMatrix}}}},
      {"LUT profile", unmatched("VexICCProfile=") + lut, "", {manyColors}, {{408, 1236, 1236, 0, {&byLut}}}},
      {"missing profile", unmatched("VexICCProfile=") + runner.path("missing.icc"), "", {manyColors}, {{408, 1236, 1236, 0, {&asIs}}}},
      {"not a profile", unmatched("VexICCProfile=") + runner.path("garbage.icc"), "", {manyColors}, {{408, 1236, 1236, 0, {&asIs}}}},
      {"CMYK profile", unmatched("VexICCProfile=") + cmyk, "", {manyColors}, {{408, 1236, 1236, 0, {&asIs}}}},
      {"a folder", unmatched("VexICCProfile=") + runner.path(""), "", {manyColors}, {{408, 1236, 1236, 0, {&asIs}}}},
      {"application matching", unmatched("AP_ColorMatchingMode=AP_ApplicationColorMatching VexICCProfile=") + lut, "",
       {manyColors}, {{408, 1236, 1236, 0, {&asIs}}}},
      {"model profile not installed", unmatched(""), "MEDIA_CLASS=\"0001\"\n", {manyColors}, {{408, 1236, 1236, 0, {&asIs}}}},
  };
  std::vector<FilterJob> jobs;
  for (const auto& c : cases) {
    std::string options = std::string(kNeutral) + " " + c.options;
    if (c.options.rfind("Orientation", 0) == 0) options = std::string(kNeutral) + " com.apple.print.preset." + c.options;
    jobs.push_back({options, c.jobFile, c.pages, c.viaStdin, c.env});
  }
  const auto runs = runner.Run(jobs);
  for (size_t i = 0; i < runs.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    ExpectCleanRun(runs[i]);
    std::vector<std::string> blocks;
    for (const Print& print : c.prints) {
      for (const std::string& s : c.settings.empty() ? defaults : c.settings) blocks.push_back("CNTRL " + s);
      char multiCut[32];
      std::snprintf(multiCut, sizeof multiCut, "IMAGE MULTICUT %08d", print.multiCut);
      blocks.insert(blocks.end(), {multiCut, "IMAGE YPLANE", "IMAGE MPLANE", "IMAGE CPLANE", "CNTRL START"});
    }
    EXPECT_EQ(runs[i].output.blocks, blocks);
    for (size_t p = 0; p < c.prints.size() && p < runs[i].output.prints.size(); ++p) {
      const Print& print = c.prints[p];
      std::vector<kv71p::test::PlacedPhoto> placed;
      for (size_t s = 0; s < print.photos.size(); ++s)
        placed.push_back(Place(*print.photos[s], c.orientation, static_cast<int>(s), print.photoLength, print.pitch, c.step));
      EXPECT_TRUE(PlanesShow(runs[i].output, p, print.pageLength, placed)) << "print " << p;
      EXPECT_EQ(runs[i].output.Plane(p, 0).dpiY, c.dpiY);
    }
  }
}

}  // namespace
