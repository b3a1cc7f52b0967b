// SIGTERM at random points of a filter job: while it waits for its per-job
// file, reads pages, runs the colour pipeline or writes plane blocks. The
// job must end with status 0 and its output must end on a block boundary,
// every block in it whole and well formed, so the printer never receives
// half a command. The points are random for every run; the seed is printed
// and KV71P_HARDENING_SEED repeats a run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "tests/filter/FilterRunner.h"
#include "tests/filter/PrintOutput.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

using kv71p::test::BackgroundProcess;
using kv71p::test::PatternPage;
using kv71p::test::RasterPage;

class CancelledJobs : public ::testing::Test {
 protected:
  void SetUp() override {
    cache_ = dir_ / "cache";
    ASSERT_EQ(0, mkdir(cache_.c_str(), 0777));
    raster_ = dir_ / "job.ras";
    // Six photos, three to a print of the 8x4 media, at 600 dpi.
    std::vector<RasterPage> pages;
    for (int i = 0; i < 6; ++i) pages.push_back(PatternPage(500 + 10 * i, 300, i));
    ASSERT_TRUE(kv71p::test::WriteRaster(raster_, pages));
    ASSERT_TRUE(kv71p::test::WriteFile(cache_ + "/Print_5.log", "MEDIA_SIZE=\"00510\"\n"));
  }

  // Runs the job, sends SIGTERM after `delay` (never when negative), and
  // returns its exit status and output; a job that SIGTERM ended before it
  // had its handler (while it starts) gives kEndedBySigterm.
  static constexpr int kEndedBySigterm = 1000;
  int Run(std::chrono::milliseconds delay, std::string* output) {
    const std::string out = dir_ / "out.bin";
    unlink(out.c_str());
    BackgroundProcess job;
    if (!job.Start({KV71P_TEST_FILTER, "5", "user", "title", "1",
                    "PageSize=207x105mm Resolution=300x600dpi VexSharpness=2", raster_},
                   {"KV71P_CACHE_DIR=" + cache_, std::string("PPD=") + KV71P_TEST_PPD}, out))
      return -2;
    if (delay.count() >= 0) {
      std::this_thread::sleep_for(delay);
      kill(job.pid(), SIGTERM);
    }
    kv71p::test::WaitFor([&] { return !job.Running(); }, 120);
    const int status = job.Running()                      ? -3
                       : job.termSignal() == SIGTERM      ? kEndedBySigterm
                                                          : job.exitStatus();
    *output = kv71p::test::ReadFile(out);
    return status;
  }

  TestTempDir dir_;
  std::string cache_, raster_;
};

TEST_F(CancelledJobs, OutputAlwaysEndsOnABlockBoundary) {
  std::string whole;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run(std::chrono::milliseconds(-1), &whole), 0);
  const auto length = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  const auto full = kv71p::test::DecodePrintOutput(whole);
  ASSERT_TRUE(full.wellFormed) << full.error;
  ASSERT_EQ(full.prints.size(), 2u);

  unsigned seed = std::random_device()();
  if (const char* s = std::getenv("KV71P_HARDENING_SEED")) seed = static_cast<unsigned>(std::atol(s));
  SCOPED_TRACE("KV71P_HARDENING_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  // One point in each of twelve equal parts of an uncancelled job.
  const int parts = 12;
  for (int part = 0; part < parts; ++part) {
    std::uniform_int_distribution<long> within(length.count() * part / parts,
                                               length.count() * (part + 1) / parts);
    const std::chrono::milliseconds delay(within(random));
    SCOPED_TRACE("SIGTERM after " + std::to_string(delay.count()) + " ms of " +
                 std::to_string(length.count()));
    std::string output;
    const int status = Run(delay, &output);
    if (status == kEndedBySigterm) {
      // Only before the job has begun: nothing is written by then.
      EXPECT_EQ(output, "");
    } else {
      EXPECT_EQ(status, 0);
    }
    const auto decoded = kv71p::test::DecodePrintOutput(output);
    EXPECT_TRUE(decoded.endsBetweenBlocks) << decoded.error;
    EXPECT_TRUE(decoded.wellFormed) << decoded.error;
    EXPECT_LE(output.size(), whole.size());
    // What went out is the beginning of the uncancelled job's stream.
    EXPECT_EQ(output, whole.substr(0, output.size()));
  }
}

}  // namespace
