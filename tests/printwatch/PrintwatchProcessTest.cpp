// The real Printwatch program as a process (Qt offscreen): its command line,
// its flag files over its life, its end on signals, the printer presence
// test against a private CUPS scheduler and against schedulers that are
// gone or never answer, the screenshot tool. (The user's language:
// InstallTest; with the service and launcher: test_scenario.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
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

using kv71p::test::Exists;
using kv71p::test::Permissions;

// A scheduler that accepts every connection and never answers: a child
// that accepts for ever and keeps every connection open.
class SilentScheduler {
 public:
  explicit SilentScheduler(const std::string& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(listening, 16) == 0 && (child_ = fork()) == 0) {
      for (;;) accept(listening, nullptr, nullptr);
    }
    close(listening);
  }
  ~SilentScheduler() {
    if (child_ > 0 && kill(child_, SIGKILL) == 0) waitpid(child_, nullptr, 0);
  }
  SilentScheduler(const SilentScheduler&) = delete;
  SilentScheduler& operator=(const SilentScheduler&) = delete;

 private:
  pid_t child_ = -1;
};

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { chmod(runtime_.path().c_str(), 0700); }

  // The environment of a window; `cups` chooses the scheduler (by default
  // none at all).
  std::vector<std::string> Environment(std::vector<std::string> cups = {}) const {
    if (cups.empty()) cups = {"CUPS_SERVER=" + (dir_ / "no-scheduler.sock"), "HOME=" + dir_.path()};
    cups.insert(cups.end(), {"KV71P_CACHE_DIR=" + dir_.cache(), "KV71P_PRINTWATCH_SHOWN_FILE=" + shownFile_,
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

  TestCacheDir dir_;  // its cache folder for the flags' paths
  TestTempDir runtime_;
  std::string shownFile_ = dir_ / "shown.txt";
};

// Printwatch without both arguments prints its usage; the screenshot tool
// draws the window of an information file (here none: offline) into a PNG.
// Neither touches the cache folder.
TEST_F(ProcessTest, UsageAndScreenshotTouchNoCacheFolder) {
  const std::string png = dir_ / "offline.png";
  const struct {
    std::vector<std::string> argv;
    int status;
    std::function<bool(const kv71p::test::ProcessResult&)> output;
  } runs[] = {
      {{PRINTWATCH_BINARY}, 2, [](auto& r) { return r.err.find("usage: ") == 0; }},
      {{PRINTWATCH_BINARY, "SN1"}, 2, [](auto& r) { return r.err.find("usage: ") == 0; }},
      {{PRINTWATCH_SCREENSHOT_TOOL, dir_ / "none.log", "KV-71P Studio", png}, 0,
       [&](auto&) { return kv71p::test::ReadFile(png).find("\x89PNG\r\n\x1a\n") == 0; }},
  };
  for (const auto& run : runs) {
    kv71p::test::ProcessOptions options;
    options.env = Environment();
    options.timeoutSeconds = 30;
    const kv71p::test::ProcessResult r = kv71p::test::RunProcess(run.argv, options);
    EXPECT_EQ(run.status, r.exitStatus) << run.argv.size();
    EXPECT_TRUE(run.output(r)) << r.err;
  }
  EXPECT_FALSE(Exists(dir_ / "Korvale"));
}

// The window's flag while it runs, the start flag after launch, both
// for everyone to use; a signal ends the window as closing it does.
// (The folders' mode: test_hardening_cache.)
TEST_F(ProcessTest, FlagsOverTheWindowsLifeAndItsEndOnSignals) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    BackgroundProcess window;
    Start(&window, "SN%201", "KV-71P Studio", Environment());
    EXPECT_EQ(0666u, Permissions(Flag(FlagFile::WindowOpen, "SN%201")));
    EXPECT_EQ(0666u, Permissions(Flag(FlagFile::WindowStarted, "SN%201")));
    EXPECT_EQ(0, window.Stop(sig, 10)) << "a normal end";
    EXPECT_FALSE(Exists(Flag(FlagFile::WindowOpen, "SN%201"))) << "window flag removed";
    EXPECT_TRUE(Exists(Flag(FlagFile::WindowStarted, "SN%201"))) << "left for the service";
    unlink(Flag(FlagFile::WindowStarted, "SN%201").c_str());
  }
}

// The window's queue deleted while another printer remains (no printer
// has the window's name): it closes within the cycle running now or the
// next. A scheduler that went away, or one that accepts and never answers,
// gives no printer list, which is no removal: the window stays open and
// keeps its one-second cycle. (Staying while listed, and closing when the
// last queue goes: test_scenario.)
TEST_F(ProcessTest, WindowFollowsThePrintersListing) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  for (const char* queue : {"KV_A", "KV_B"})
    ASSERT_EQ(0, cupsd.Lpadmin({"-p", queue, "-E", "-v", "file:///dev/null"}).exitStatus);
  BackgroundProcess window;
  Start(&window, "A", "KV_A", Environment(cupsd.ClientEnvironment()));
  ASSERT_EQ(0, cupsd.Lpadmin({"-x", "KV_A"}).exitStatus);
  const int now = Cycles();
  ASSERT_TRUE(WaitFor([&] { return !window.Running(); }, 20));
  EXPECT_LE(Cycles(), now + 2) << "cycles run before quitting";
  EXPECT_EQ(0, window.exitStatus());
  EXPECT_FALSE(Exists(Flag(FlagFile::WindowOpen, "A")));

  const std::string silentSocket = dir_ / "silent.sock";
  SilentScheduler silent(silentSocket);
  for (const bool gone : {true, false}) {
    SCOPED_TRACE(gone ? "gone" : "silent");
    Start(&window, "B", "KV_B",
          Environment(gone ? cupsd.ClientEnvironment()
                           : std::vector<std::string>{"CUPS_SERVER=" + silentSocket,
                                                      "HOME=" + dir_.path()}));
    if (gone) {
      ASSERT_TRUE(WaitForCycle(1));
      cupsd.Stop();
    }
    const int from = Cycles();
    EXPECT_TRUE(WaitForCycle(from + 3)) << "the cycle goes on";
    EXPECT_TRUE(window.Running());
    EXPECT_TRUE(Exists(Flag(FlagFile::WindowOpen, "B")));
    EXPECT_EQ(0, window.Stop(SIGTERM)) << "a normal end, not held up by the question";
  }
}

}  // namespace
