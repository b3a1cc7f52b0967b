// The real Printwatch program as a process (Qt offscreen): its command line,
// its flag files over its life, its end on signals, the printer presence
// test against a private CUPS scheduler and against schedulers that are
// gone or never answer, the screenshot tool. (The user's language:
// InstallTest; with the service and launcher: test_scenario.)
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "apps/printwatch/ShownTexts.h"
#include "common/PrinterFiles.h"
#include "tests/support/PrivateCupsd.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

using kv71p::FlagFile;
using kv71p::test::BackgroundProcess;
using kv71p::test::WaitFor;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// A scheduler that accepts every connection and never answers.
class SilentScheduler {
 public:
  explicit SilentScheduler(const std::string& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    listening_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bind(listening_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listening_, 16);
    thread_ = std::thread([this] {
      pollfd incoming = {listening_, POLLIN, 0};
      while (!stop_) {
        if (poll(&incoming, 1, 50) > 0) accepted_.push_back(accept(listening_, nullptr, nullptr));
      }
    });
  }
  ~SilentScheduler() {
    stop_ = true;
    thread_.join();
    for (int fd : accepted_) close(fd);
    close(listening_);
  }

 private:
  int listening_ = -1;
  std::atomic<bool> stop_{false};
  std::vector<int> accepted_;
  std::thread thread_;
};

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chmod(runtime_.path().c_str(), 0700);
    setenv("KV71P_CACHE_DIR", folder_.c_str(), 1);  // for the flags' paths
  }
  void TearDown() override { unsetenv("KV71P_CACHE_DIR"); }

  // The environment of a window; `cups` chooses the scheduler (by default
  // none at all).
  std::vector<std::string> Environment(std::vector<std::string> cups = {}) const {
    if (cups.empty()) cups = {"CUPS_SERVER=" + (dir_ / "no-scheduler.sock"), "HOME=" + dir_.path()};
    cups.insert(cups.end(), {"KV71P_CACHE_DIR=" + folder_, "KV71P_PRINTWATCH_SHOWN_FILE=" + shownFile_,
                             "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime_.path(),
                             "LANGUAGE=en", "LC_ALL=C.UTF-8"});
    return cups;
  }

  // Starts a window and waits for its start snapshot.
  void Start(BackgroundProcess* window, const std::string& serial, const std::string& name,
             const std::vector<std::string>& env) {
    unlink(shownFile_.c_str());
    ASSERT_TRUE(window->Start({PRINTWATCH_BINARY, serial, name}, env, dir_ / "printwatch.log"));
    ASSERT_TRUE(WaitForCycle(0)) << kv71p::test::ReadFile(dir_ / "printwatch.log");
  }

  // The number of the test hook's latest snapshot, -1 before the first.
  int Cycles() const {
    auto shown = kv71p::printwatch::ParseShownTexts(kv71p::test::ReadFile(shownFile_));
    return shown.count("CYCLE") ? std::stoi(shown["CYCLE"]) : -1;
  }
  bool WaitForCycle(int cycle, double seconds = 10) {
    return WaitFor([&] { return Cycles() >= cycle; }, seconds);
  }
  static std::string Flag(FlagFile flag, const std::string& serial) {
    std::string path;
    return kv71p::FlagFilePath(flag, serial, &path) ? path : "(too long)";
  }

  TestTempDir dir_, runtime_;
  std::string folder_ = dir_ / "Korvale/KV-71P", shownFile_ = dir_ / "shown.txt";
};

TEST_F(ProcessTest, FewerThanTwoArgumentsPrintUsageAndTouchNothing) {
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{PRINTWATCH_BINARY}, {PRINTWATCH_BINARY, "SN1"}}) {
    kv71p::test::ProcessOptions options;
    options.env = Environment();
    options.timeoutSeconds = 20;
    const kv71p::test::ProcessResult r = kv71p::test::RunProcess(argv, options);
    EXPECT_EQ(2, r.exitStatus);
    EXPECT_EQ(0u, r.err.find("usage: ")) << r.err;
    EXPECT_FALSE(Exists(dir_ / "Korvale")) << "the cache folder is left alone";
  }
}

TEST_F(ProcessTest, FlagsOverTheWindowsLifeAndItsEndOnSignals) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    BackgroundProcess window;
    Start(&window, "SN%201", "KV-71P Studio", Environment());

    EXPECT_EQ(01777u, ModeOf(dir_ / "Korvale"));
    EXPECT_EQ(01777u, ModeOf(folder_));
    EXPECT_EQ(0666u, ModeOf(Flag(FlagFile::WindowOpen, "SN%201")));
    EXPECT_EQ(0666u, ModeOf(Flag(FlagFile::WindowStarted, "SN%201"))) << "after launch";
    EXPECT_FALSE(Exists(Flag(FlagFile::WindowTotalCount, "SN%201")));

    EXPECT_EQ(0, window.Stop(sig, 10)) << "a normal end";
    EXPECT_FALSE(Exists(Flag(FlagFile::WindowOpen, "SN%201"))) << "window flag removed";
    EXPECT_TRUE(Exists(Flag(FlagFile::WindowStarted, "SN%201"))) << "left for the service";
    unlink(Flag(FlagFile::WindowStarted, "SN%201").c_str());
  }
}

// The queue of the window's printer deleted while another printer
// remains: no printer has the window's name, and the window closes within
// the cycle running now or the next one.
TEST_F(ProcessTest, WindowClosesWhenItsPrinterLeavesThePrintSystem) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_A", "-E", "-D", "KV-71P Studio", "-v", "file:///dev/null"})
                   .exitStatus);
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_B", "-E", "-v", "file:///dev/null"}).exitStatus);

  BackgroundProcess window;
  Start(&window, "A", "KV-71P Studio", Environment(cupsd.ClientEnvironment()));
  ASSERT_TRUE(WaitForCycle(2)) << "the printer is listed, the window stays";
  ASSERT_TRUE(window.Running());
  ASSERT_EQ(0, cupsd.Lpadmin({"-x", "KV_A"}).exitStatus);
  const int now = Cycles();
  ASSERT_TRUE(WaitFor([&] { return !window.Running(); }, 20));
  EXPECT_LE(Cycles(), now + 2) << "cycles run before quitting";
  EXPECT_EQ(0, window.exitStatus());
  EXPECT_FALSE(Exists(Flag(FlagFile::WindowOpen, "A")));
}

// A scheduler that went away, or one that accepts and never answers: the
// printer list cannot be had, which is no removal. The window stays open
// and keeps its one-second cycle.
TEST_F(ProcessTest, SchedulerGoneOrSilentKeepsTheWindowOpenAndCycling) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_A", "-E", "-v", "file:///dev/null"}).exitStatus);
  const std::string silentSocket = dir_ / "silent.sock";
  SilentScheduler silent(silentSocket);
  for (const bool gone : {true, false}) {
    SCOPED_TRACE(gone ? "gone" : "silent");
    BackgroundProcess window;
    Start(&window, "A", "KV_A",
          Environment(gone ? cupsd.ClientEnvironment()
                           : std::vector<std::string>{"CUPS_SERVER=" + silentSocket,
                                                      "HOME=" + dir_.path()}));
    if (gone) {
      ASSERT_TRUE(WaitForCycle(1));
      cupsd.Stop();
    }
    const int from = Cycles();
    EXPECT_TRUE(WaitForCycle(from + 3, 6)) << "three cycles in six seconds";
    EXPECT_TRUE(window.Running());
    EXPECT_TRUE(Exists(Flag(FlagFile::WindowOpen, "A")));
    EXPECT_EQ(0, window.Stop(SIGTERM)) << "a normal end, not held up by the question";
  }
}

TEST_F(ProcessTest, ScreenshotToolWritesThePng) {
  kv71p::test::ProcessOptions options;
  options.env = Environment();
  options.timeoutSeconds = 30;
  const std::string png = dir_ / "offline.png";
  const kv71p::test::ProcessResult r = kv71p::test::RunProcess(
      {PRINTWATCH_SCREENSHOT_TOOL, dir_ / "none.log", "KV-71P Studio", png}, options);
  ASSERT_EQ(0, r.exitStatus) << r.err;
  EXPECT_EQ(0u, kv71p::test::ReadFile(png).find("\x89PNG\r\n\x1a\n"));
  EXPECT_FALSE(Exists(dir_ / "Korvale")) << "no cache folder, no flags";
}

}  // namespace
