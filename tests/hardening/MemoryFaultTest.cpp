// The image library's memory layer refuses the n-th allocation (and, in a
// second round, the n-th lock) for every n of one whole page's way through
// the filter: page buffer, colour pipeline with every step switched on,
// plane separation into two layout slots, composition and output of the
// print. Each run must end with the defined results, a stream of whole
// command blocks, and every block of the memory layer given back.
#include <gtest/gtest.h>
#include <cups/raster.h>

#include <string>

#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "filter/RasterPage.h"
#include "imaging/QlxImgLib_LinuxDef.h"
#include "tests/filter/FilterTestHelpers.h"
#include "tests/support/TestTempDir.h"
#include "tools/decoder/StreamDecoder.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

using namespace kv71p;
using namespace kv71p::filter;

namespace {

using kv71p::test::CapturedOutput;

struct PageRun {
  bool pageObtained = false;
  int sent = -1;           // SendImageData's result
  std::string output;
};

// One page of `width` x `height` through the whole way, two copies laid out
// on one print of the 8x4 media.
PageRun RunPage(const std::string& profile, unsigned width, unsigned height) {
  PageRun run;
  CapturedOutput out;
  {
    FdBlockWriter output(out.fd());
    DeviceEntry_KV71P entry(output);
    JobSettings settings;
    settings.pageSize = "207x105mm";
    settings.resolutionMode = 1, settings.resolutionDpi = 600;
    kv71p::test::Apply(settings, kv71p::test::kEverything, profile);
    entry.SetSettings(settings);

    cups_page_header2_t header{};
    header.cupsWidth = width;
    header.cupsHeight = height;
    header.cupsBytesPerLine = width * 3;
    header.cupsBitsPerPixel = 24;
    RasterPageBuffers page;
    run.pageObtained = AllocRasterPage(header, 1, &page);
    if (!run.pageObtained) return run;
    for (uint64_t i = 0; i < page.stride * height; ++i)
      page.pixels.get()[i] = static_cast<unsigned char>(i * 7 + i / 97);

    const PhotoBitmap photo = entry.MakeImageData(std::move(page.pixels), width, height);
    entry.SetImageData(0, photo.get());
    entry.SetImageData(1, photo.get());
    run.sent = entry.SendImageData(2) == EntryResult::Ok ? 1 : 0;
  }
  run.output = out.Take();
  return run;
}

TEST(MemoryFaults, EveryRefusedAllocationOfAPageEndsCleanly) {
  TestTempDir dir;
  const std::string profile = dir / "lut.icc";
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, profile));

  const long liveAtStart = QlxMemLiveBlocks();
  const long callsAtStart = QlxMemAllocCalls();
  const PageRun full = RunPage(profile, 90, 64);
  const long calls = QlxMemAllocCalls() - callsAtStart;
  ASSERT_EQ(full.sent, 1);
  ASSERT_EQ(QlxMemLiveBlocks(), liveAtStart);
  ASSERT_GT(calls, 10);

  for (int lock = 0; lock < 2; ++lock) {
    // One more than the calls of a full run: the last one refuses nothing.
    for (long n = 1; n <= calls + 1; ++n) {
      SCOPED_TRACE((lock ? "lock " : "allocation ") + std::to_string(n));
      lock ? QlxMemFailNthLock(n) : QlxMemFailNthAlloc(n);
      const PageRun run = RunPage(profile, 90, 64);
      QlxMemFailNthAlloc(0);
      QlxMemFailNthLock(0);

      EXPECT_EQ(QlxMemLiveBlocks(), liveAtStart) << "blocks of the memory layer not given back";
      EXPECT_TRUE(run.sent == -1 || run.sent == 0 || run.sent == 1) << run.sent;
      // Without its page buffer the page is skipped; without the photo
      // record there is nothing to place, and the print still goes out.
      if (!run.pageObtained) {
        EXPECT_EQ(run.sent, -1);
      }
      kv71p::StreamError error;
      std::string names;
      EXPECT_EQ(kv71p::DecodeStream(reinterpret_cast<const unsigned char*>(run.output.data()),
                                    run.output.size(),
                                    [&](kv71p::StreamBlock&& b) { names += b.parameter() + " "; },
                                    &error),
                0)
          << error.message;
      // A print that went out carries its three planes and the start; one
      // that could not be composed writes nothing.
      if (run.sent == 1) {
        EXPECT_EQ(names, "MULTICUT YPLANE MPLANE CPLANE START ");
      } else if (run.sent == 0) {
        EXPECT_EQ(names, "");
      }
    }
  }
}

}  // namespace
