// The filter program on an output that goes away, and when CUPS cancels
// the job. (Hostile raster is among the program test's jobs.)
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/filter/FilterRunner.h"

extern char** environ;

namespace {

using kv71p::test::FilterRunner;
using kv71p::test::PatternPage;
using kv71p::test::RasterPage;

const char kNeutral[] = "VexICM=None";

// The filter started on one page with its standard output going into a
// pipe (`out` is its reading end, or none when closed at once) and
// standard error into a file; without `jobFile` there is no per-job file.
struct StartedFilter {
  pid_t pid = -1;
  int out = -1;
  std::string errPath;

  StartedFilter(FilterRunner& runner, const std::string& jobId, const RasterPage& page, const char* jobFile,
                bool readOutput) {
    const std::string raster = runner.path("job" + jobId + ".ras");
    errPath = runner.path("stderr" + jobId);
    EXPECT_TRUE(kv71p::test::WriteRaster(raster, {page}));
    EXPECT_TRUE(!jobFile || kv71p::test::WriteFile(runner.cache() + "/Print_" + jobId + ".log", jobFile));
    int fds[2];
    if (pipe(fds) != 0) return;
    if (!readOutput) close(fds[0]);  // the backend is gone
    out = readOutput ? fds[0] : -1;
    const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    std::vector<std::string> env = {"KV71P_CACHE_DIR=" + runner.cache()};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("KV71P_CACHE_DIR=", 0) != 0) env.push_back(*e);
    std::vector<std::string> args = {KV71P_TEST_FILTER, jobId, "user", "title", "1", kNeutral, raster};
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    if (posix_spawn(&pid, KV71P_TEST_FILTER, &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    close(errFd);
  }
  ~StartedFilter() {
    if (out >= 0) close(out);
  }
  // Exit status, -1 when ended by a signal.
  int Wait() const {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST(FilterHostileInput, AnOutputThatGoesAwayEndsTheJob) {
  FilterRunner runner;
  const StartedFilter filter(runner, "9", PatternPage(2448, 1236, 1, 3), "", false);
  ASSERT_GT(filter.pid, 0);
  EXPECT_EQ(filter.Wait(), 1);
  EXPECT_EQ(kv71p::test::ReadFile(filter.errPath), "");
}

TEST(FilterHostileInput, CancellationEndsTheStreamBetweenBlocks) {
  FilterRunner runner;
  // 20 prints of about 9.5 MB each. Read 12 MB, leave the filter blocked in
  // the middle of a plane for a moment, cancel the job and read the rest.
  const StartedFilter filter(runner, "5", PatternPage(2448, 1236, 1, 20), "", true);
  ASSERT_GT(filter.pid, 0);
  std::string stream;
  char buffer[65536];
  for (bool signalled = false;;) {
    if (!signalled && stream.size() >= 12u * 1024 * 1024) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      signalled = kill(filter.pid, SIGTERM) == 0;
    }
    const ssize_t n = read(filter.out, buffer, sizeof buffer);
    if (n <= 0) break;
    stream.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(filter.Wait(), 0);
  const auto output = kv71p::test::DecodePrintOutput(stream);
  EXPECT_TRUE(output.wellFormed) << output.error;
  EXPECT_GE(output.prints.size(), 1u);
  EXPECT_LT(output.prints.size(), 10u);
  EXPECT_LT(stream.size(), 10u * 9496072u);
}

TEST(FilterHostileInput, CancellationEndsTheWaitForThePerJobFile) {
  FilterRunner runner;
  const auto start = std::chrono::steady_clock::now();
  const StartedFilter filter(runner, "77", PatternPage(20, 10, 1), nullptr, true);
  ASSERT_GT(filter.pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(filter.pid, SIGTERM);
  EXPECT_EQ(filter.Wait(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  char byte;
  EXPECT_EQ(read(filter.out, &byte, 1), 0) << "nothing written";
}

}  // namespace
