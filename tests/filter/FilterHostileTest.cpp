// The filter program on raster it must not trust, on an output that goes
// away, and when CUPS cancels the job.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "FilterRunner.h"

extern char** environ;

namespace {

using kv71p::test::DefaultPrintBlocks;
using kv71p::test::FilterJob;
using kv71p::test::FilterRunner;
using kv71p::test::PatternPage;
using kv71p::test::Place;
using kv71p::test::PlanesShow;
using kv71p::test::RasterPage;

const char kNeutral[] = "VexICM=None";

// Starts the filter on a raster file with standard output and standard
// error going to the given descriptors.
pid_t StartFilter(const std::string& cache, const std::string& jobId, const std::string& raster,
                  int outFd, int errFd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  std::vector<std::string> env = {"KV71P_CACHE_DIR=" + cache};
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("KV71P_CACHE_DIR=", 0) != 0) env.push_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string args[] = {KV71P_TEST_FILTER, jobId, "user", "title", "1", kNeutral, raster};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                  args[4].data(), args[5].data(), args[6].data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, KV71P_TEST_FILTER, &actions, nullptr, argv, envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitExit(pid_t pid, int* signal) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  *signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FilterHostileInput, UntrustedPagesAreReadSafely) {
  FilterRunner runner;
  // Lines of one byte per pixel: shorter than width x 3; only the bytes a
  // line has are stored.
  RasterPage shortLines;
  shortLines.width = 100;
  shortLines.height = 40;
  shortLines.bitsPerPixel = 8;
  shortLines.fill = [](unsigned i, std::vector<unsigned char>& bytes) {
    for (size_t j = 0; j < bytes.size(); ++j) bytes[j] = (j / 3 + i) % 2 ? 255 : 0;
  };
  // A page whose buffer would exceed 1 GiB (60000 bytes per row, 18000
  // rows): read past, and the job goes on. It does not count as the first
  // photo of the job.
  RasterPage huge;
  huge.width = 20000;
  huge.height = 18000;
  huge.bitsPerPixel = 8;
  // Wider than any media at any resolution allows by far.
  RasterPage wide;
  wide.width = 70000;
  wide.height = 3;
  wide.bitsPerPixel = 8;
  const RasterPage b = PatternPage(210, 90, 2), c = PatternPage(190, 110, 3),
                   d = PatternPage(180, 120, 4), tiny = PatternPage(1, 1, 5);
  // The stream ends 50 lines into a page of 200: the rest stays black.
  RasterPage cut = PatternPage(120, 200, 6);
  cut.linesWritten = 50;
  RasterPage manyCopies = PatternPage(20, 10, 7, 0x80000000u);
  RasterPage badLineLength = PatternPage(100, 10, 8);
  badLineLength.bytesPerLine = 7;

  const std::string pairs = "MEDIA_SIZE=\"00500\"\n";
  const struct {
    const char* name;
    FilterJob job;
    std::vector<int> multiCuts;
  } cases[] = {
      {"short lines", {kNeutral, "", {shortLines}}, {408}},
      {"short lines turned", {std::string(kNeutral) + " com.apple.print.preset.Orientation..n.=2", "", {shortLines}}, {408}},
      {"huge page skipped", {kNeutral, pairs + "MEDIA_REMAIN_HALF=\"1\"\n", {huge, b, c, d}}, {408, 13}},
      {"one pixel", {kNeutral, "", {tiny}}, {408}},
      {"too wide", {kNeutral, "", {wide, tiny}}, {408}},
      {"cut short", {kNeutral, "", {cut}}, {408}},
      {"copies beyond the int range", {kNeutral, "", {manyCopies}}, {}},
      {"line length refused", {kNeutral, "", {badLineLength}}, {}},
  };
  std::vector<FilterJob> jobs;
  for (const auto& c : cases) jobs.push_back(c.job);
  const auto runs = runner.Run(jobs);
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(runs[i].process.exitStatus, 0);
    EXPECT_EQ(runs[i].process.err, "");
    EXPECT_TRUE(runs[i].output.wellFormed) << runs[i].output.error;
    std::vector<int> cuts;
    for (const auto& p : runs[i].output.prints) cuts.push_back(static_cast<int>(p.multiCut));
    EXPECT_EQ(cuts, cases[i].multiCuts);
  }
  EXPECT_TRUE(PlanesShow(runs[0].output, 0, 1236, {Place(shortLines, 1, 0, 1236, 0)}));
  EXPECT_TRUE(PlanesShow(runs[1].output, 0, 1236, {Place(shortLines, 2, 0, 1236, 0)}));
  EXPECT_TRUE(PlanesShow(runs[2].output, 0, 1236, {Place(b, 1, 0, 1236, 0)}));
  EXPECT_TRUE(PlanesShow(runs[2].output, 1, 2502, {Place(c, 1, 0, 1236, 1266), Place(d, 1, 1, 1236, 1266)}));
  EXPECT_TRUE(PlanesShow(runs[3].output, 0, 1236, {Place(tiny, 1, 0, 1236, 0)}));
  EXPECT_TRUE(PlanesShow(runs[4].output, 0, 1236, {Place(tiny, 1, 0, 1236, 0)}));
  EXPECT_TRUE(PlanesShow(runs[5].output, 0, 1236, {Place(cut, 1, 0, 1236, 0)}));
}

TEST(FilterHostileInput, AnOutputThatGoesAwayEndsTheJob) {
  FilterRunner runner;
  const std::string raster = runner.path("job.ras");
  ASSERT_TRUE(kv71p::test::WriteRaster(raster, {PatternPage(2448, 1236, 1, 3)}));
  ASSERT_TRUE(kv71p::test::WriteFile(runner.cache() + "/Print_9.log", ""));
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  close(out[0]);  // the backend is gone
  const std::string errPath = runner.path("stderr");
  const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const pid_t pid = StartFilter(runner.cache(), "9", raster, out[1], errFd);
  close(out[1]);
  close(errFd);
  ASSERT_GT(pid, 0);
  int signal = 0;
  EXPECT_EQ(WaitExit(pid, &signal), 1);
  EXPECT_EQ(signal, 0);
  EXPECT_EQ(kv71p::test::ReadFile(errPath), "");
}

TEST(FilterHostileInput, CancellationEndsTheStreamBetweenBlocks) {
  FilterRunner runner;
  const std::string raster = runner.path("job.ras");
  // 20 prints of about 9.5 MB each.
  ASSERT_TRUE(kv71p::test::WriteRaster(raster, {PatternPage(2448, 1236, 1, 20)}));
  ASSERT_TRUE(kv71p::test::WriteFile(runner.cache() + "/Print_5.log", ""));
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const int errFd = open("/dev/null", O_WRONLY);
  const pid_t pid = StartFilter(runner.cache(), "5", raster, out[1], errFd);
  close(out[1]);
  close(errFd);
  ASSERT_GT(pid, 0);

  // Read 12 MB, leave the filter blocked in the middle of a plane for a
  // moment, cancel the job and read the rest.
  std::string stream;
  char buffer[65536];
  bool signalled = false;
  for (;;) {
    if (!signalled && stream.size() >= 12u * 1024 * 1024) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      kill(pid, SIGTERM);
      signalled = true;
    }
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    stream.append(buffer, static_cast<size_t>(n));
  }
  close(out[0]);
  int signal = 0;
  EXPECT_EQ(WaitExit(pid, &signal), 0);
  EXPECT_EQ(signal, 0);
  const auto output = kv71p::test::DecodePrintOutput(stream);
  EXPECT_TRUE(output.endsBetweenBlocks) << output.error;
  EXPECT_GE(output.prints.size(), 1u);
  EXPECT_LT(output.prints.size(), 10u);
  EXPECT_LT(stream.size(), 10u * 9496072u);
}

TEST(FilterHostileInput, CancellationEndsTheWaitForThePerJobFile) {
  FilterRunner runner;
  const std::string raster = runner.path("job.ras");
  ASSERT_TRUE(kv71p::test::WriteRaster(raster, {PatternPage(20, 10, 1)}));
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const int errFd = open("/dev/null", O_WRONLY);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = StartFilter(runner.cache(), "77", raster, out[1], errFd);  // no per-job file
  close(out[1]);
  close(errFd);
  ASSERT_GT(pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(pid, SIGTERM);
  int signal = 0;
  EXPECT_EQ(WaitExit(pid, &signal), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  char byte;
  EXPECT_EQ(read(out[0], &byte, 1), 0);  // nothing written
  close(out[0]);
}

}  // namespace
