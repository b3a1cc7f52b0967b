// The real Printwatch program as a process (Qt offscreen): its command line,
// its flag files over its life, its end on signals, the printer presence
// test against a private CUPS scheduler, the screenshot tool. (The user's
// language: InstallTest; with the service and launcher: test_scenario.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "apps/printwatch/ShownTexts.h"
#include "tests/support/PrivateCupsd.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

using kv71p::test::BackgroundProcess;
using kv71p::test::WaitFor;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { chmod(runtime_.path().c_str(), 0700); }

  // The environment of a window; CUPS_SERVER names no scheduler unless
  // `cups` is given.
  std::vector<std::string> Environment(const kv71p::test::PrivateCupsd* cups = nullptr) const {
    std::vector<std::string> env =
        cups ? cups->ClientEnvironment()
             : std::vector<std::string>{"CUPS_SERVER=" + (dir_ / "no-scheduler.sock"), "HOME=" + dir_.path()};
    env.insert(env.end(), {"KV71P_CACHE_DIR=" + folder_, "KV71P_PRINTWATCH_SHOWN_FILE=" + shownFile_,
                           "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime_.path(),
                           "LANGUAGE=en", "LC_ALL=C.UTF-8"});
    return env;
  }

  bool Start(BackgroundProcess* window, const std::string& serial, const std::string& name,
             const std::vector<std::string>& env) {
    unlink(shownFile_.c_str());
    return window->Start({PRINTWATCH_BINARY, serial, name}, env, dir_ / "printwatch.log");
  }

  // The number of the test hook's latest snapshot, -1 before the first.
  int Cycles() const {
    auto shown = kv71p::printwatch::ParseShownTexts(kv71p::test::ReadFile(shownFile_));
    return shown.count("CYCLE") ? std::stoi(shown["CYCLE"]) : -1;
  }
  bool WaitForCycle(int cycle, double seconds = 10) {
    return WaitFor([&] { return Cycles() >= cycle; }, seconds);
  }
  // True when `window` ends within the cycle running now or the next one
  // (counted by the cycles, not by the clock, so a busy machine cannot
  // fail it).
  bool QuitsAtNextCycle(BackgroundProcess* window) {
    const int now = Cycles();
    if (!WaitFor([&] { return !window->Running(); }, 20)) return false;
    EXPECT_LE(Cycles(), now + 2) << "cycles run before quitting";
    return true;
  }
  std::string Flag(const std::string& serial, const char* suffix) const {
    return folder_ + "/KV-71P_" + serial + suffix;
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
    ASSERT_TRUE(Start(&window, "SN%201", "KV-71P Studio", Environment()));
    ASSERT_TRUE(WaitForCycle(0)) << kv71p::test::ReadFile(dir_ / "printwatch.log");

    EXPECT_EQ(01777u, ModeOf(dir_ / "Korvale"));
    EXPECT_EQ(01777u, ModeOf(folder_));
    EXPECT_EQ(0666u, ModeOf(Flag("SN%201", "_UTIL"))) << "window flag";
    EXPECT_EQ(0666u, ModeOf(Flag("SN%201", "_START_UTIL"))) << "start flag after launch";
    EXPECT_FALSE(Exists(Flag("SN%201", "_TC_UTIL")));

    EXPECT_EQ(0, window.Stop(sig, 10)) << "a normal end";
    EXPECT_FALSE(Exists(Flag("SN%201", "_UTIL"))) << "window flag removed";
    EXPECT_TRUE(Exists(Flag("SN%201", "_START_UTIL"))) << "left for the service";
    unlink(Flag("SN%201", "_START_UTIL").c_str());
  }
}

TEST_F(ProcessTest, WindowClosesWhenItsPrinterLeavesThePrintSystem) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  const std::string uri = "vexbackend://KORVALE/KV-71P?serial=";
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_A", "-E", "-D", "KV-71P Studio", "-v", uri + "A"})
                   .exitStatus);
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_B", "-E", "-v", uri + "B"}).exitStatus);

  // Deleting the queue of the window's printer: another printer remains,
  // none has the window's name.
  BackgroundProcess window;
  ASSERT_TRUE(Start(&window, "A", "KV-71P Studio", Environment(&cupsd)));
  ASSERT_TRUE(WaitForCycle(2)) << "the printer is listed, the window stays";
  ASSERT_TRUE(window.Running());
  ASSERT_EQ(0, cupsd.Lpadmin({"-x", "KV_A"}).exitStatus);
  EXPECT_TRUE(QuitsAtNextCycle(&window));
  EXPECT_EQ(0, window.exitStatus());
  EXPECT_FALSE(Exists(Flag("A", "_UTIL")));

  // A name the print system does not know closes the window at once.
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_C", "-E", "-v", uri + "C"}).exitStatus);
  ASSERT_TRUE(Start(&window, "C", "Nobody", Environment(&cupsd)));
  ASSERT_TRUE(WaitForCycle(0));
  EXPECT_TRUE(QuitsAtNextCycle(&window));
  EXPECT_EQ(1, Cycles()) << "the first cycle ends it";
  EXPECT_EQ(0, window.exitStatus());
  EXPECT_FALSE(Exists(Flag("C", "_UTIL")));
}

TEST_F(ProcessTest, UnreachableSchedulerDoesNotCloseTheWindow) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_A", "-E", "-v", "file:///dev/null"}).exitStatus);
  BackgroundProcess window;
  ASSERT_TRUE(Start(&window, "A", "KV_A", Environment(&cupsd)));
  ASSERT_TRUE(WaitForCycle(1));
  cupsd.Stop();
  const int stopped = Cycles();
  ASSERT_TRUE(WaitForCycle(stopped + 3)) << "three cycles without a scheduler";
  EXPECT_TRUE(window.Running());
  EXPECT_TRUE(Exists(Flag("A", "_UTIL")));
  EXPECT_EQ(0, window.Stop(SIGTERM));
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
