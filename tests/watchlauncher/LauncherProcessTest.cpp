// Watchlauncher and the queue picker kv71p-status as processes against a
// private CUPS scheduler. Copies of both sit next to a stand-in
// Printwatch.app that records how it was started. (With the real window
// and the service: test_scenario; installed: InstallTest.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/DeviceUri.h"
#include "common/PrinterFiles.h"
#include "tests/watchlauncher/LauncherTestSupport.h"

namespace {

using namespace kv71p::test;
using kv71p::DeviceUriOf;

const std::string kQueue = kv71p::kQueueBaseName;
// A printer name that a shell would take apart.
const std::string kShellName = "KV-71P \"Studio\" $HOME; `id` & K\xc3\xa4ln";
// A device URI longer than the printer list's 254-byte text.
const std::string kLongUri = DeviceUriOf(std::string(240, 'L'));

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(cupsd_.Start()) << cupsd_.errorLog();
    ASSERT_TRUE(CopyProgram(WATCHLAUNCHER_BINARY, folder_ + "/Watchlauncher"));
    ASSERT_TRUE(CopyProgram(PICKER_BINARY, folder_ + "/kv71p-status"));
    ASSERT_TRUE(WriteStandIn(LaunchPath(), records_));
    // Without a description CUPS makes the queue name the printer's name.
    const std::vector<std::vector<std::string>> queues = {
        {kQueue, DeviceUriOf("A1B2C3"), kShellName},
        {"KV_1", DeviceUriOf("SHARED"), "First"},
        {"KV_2", DeviceUriOf("SHARED"), "Second"},
        {"KV_LONG_INFO", kLongUri + "1", "Long studio"},
        {"KV_LONG", kLongUri + "2", ""},
        {"-reverse", DeviceUriOf("QT"), ""},  // a Qt option as a queue name
        {"OFFICE", "file:///dev/null", ""},
    };
    for (const auto& q : queues) {
      const ProcessResult r = cupsd_.Lpadmin({"-p", q[0], "-E", "-v", q[1], "-D", q[2]});
      ASSERT_EQ(0, r.exitStatus) << r.err;
    }
  }

  std::string LaunchPath() const { return folder_ + "/Printwatch.app/Contents/MacOS/Printwatch"; }
  std::string WindowFlag(const std::string& serial) const {
    std::string path;
    return kv71p::FlagFilePath(kv71p::FlagFile::WindowOpen, serial, &path) ? path : "";
  }
  // Runs a program of the launcher's folder with `args`.
  ProcessResult Run(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {folder_ + "/" + program};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunClient(cupsd_, cache_, argv,
                     {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + dir_.path()});
  }
  // The stand-in's starts since the last call.
  std::vector<StandInRun> Started() { return TakeStandInRuns(children_, "Printwatch", records_); }

  AdoptedChildren children_;
  TestCacheDir dir_;  // its cache folder for the flags' paths
  PrivateCupsd cupsd_;
  std::string cache_ = dir_.cache(), folder_ = dir_ / "launcher",
              records_ = dir_ / "records";
};

// One run of the launcher per row: its arguments, its exit status and the
// stand-in window's arguments (none: nothing started), after what the row
// prepared. A window is started detached: in a session of its own, keeping
// none of the launcher's channels. When it cannot be started, one line on
// standard error says why. The launcher never makes or removes a flag.
TEST_F(LauncherTest, WhatStartsForWhichQueue) {
  namespace fs = std::filesystem;
  auto makeFlag = [&](const std::string& serial) {
    fs::create_directories(cache_);
    return WriteFile(WindowFlag(serial), "");
  };
  auto noApp = [&] { return fs::remove_all(folder_ + "/Printwatch.app") > 0; };
  const std::string longSerial(240, 'L');
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> window;
    std::function<bool()> prepare = nullptr;
  } rows[] = {
      {"serial number and the printer's name, no shell", {kQueue}, 0, {"A1B2C3", kShellName}},
      {"no queue name", {}, 1, {}},
      {"names compare exactly", {"korvale_systems_kv_71p"}, 1, {}},
      {"a queue of another printer", {"OFFICE"}, 1, {}},
      {"last printer with the URI names it", {"KV_1"}, 0, {"SHARED", "Second"}},
      {"URI too long to compare: the description", {"KV_LONG_INFO"}, 0,
       {longSerial + "1", "Long studio"}},
      {"no description: the queue name", {"KV_LONG"}, 0, {longSerial + "2", "KV_LONG"}},
      {"flag of another printer", {kQueue}, 0, {"A1B2C3", kShellName},
       [&] { return makeFlag("A1B2C"); }},
      {"a link at the flag's place", {kQueue}, 0, {},
       [&] {
         fs::create_directories(cache_);
         return symlink("/none", WindowFlag("A1B2C3").c_str()) == 0;
       }},
      {"no Printwatch.app", {kQueue}, 2, {}, noApp},
      {"not a program", {kQueue}, 2, {}, [&] { return WriteFile(LaunchPath(), "garbage\n"); }},
      {"window open: a missing program goes unnoticed", {kQueue}, 0, {},
       [&] { return noApp() && makeFlag("A1B2C3"); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(cache_);
    ASSERT_TRUE(!row.prepare || row.prepare());
    const std::set<std::string> flags = FolderNames(cache_);
    const ProcessResult r = Run("Watchlauncher", row.args);
    EXPECT_EQ(row.status, r.exitStatus);
    EXPECT_EQ("", r.out);
    if (row.status == 2) {
      EXPECT_EQ(0u, r.err.rfind("Watchlauncher: ", 0)) << r.err;
      EXPECT_NE(std::string::npos, r.err.find(LaunchPath()));
      EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
    } else {
      EXPECT_EQ("", r.err);
    }
    const std::vector<StandInRun> runs = Started();
    ASSERT_EQ(row.window.empty() ? 0u : 1u, runs.size());
    for (const StandInRun& run : runs) {
      EXPECT_EQ(row.window, run.args);
      EXPECT_EQ("/dev/null /dev/null /dev/null", run.in + " " + run.out + " " + run.err);
      EXPECT_TRUE(run.ownSession);
    }
    EXPECT_EQ(flags, FolderNames(cache_));
    ASSERT_TRUE(WriteStandIn(LaunchPath(), records_)) << "the stand-in back for the next row";
  }
}

// The picker hands a queue named on its command line to the launcher next
// to it; Qt never takes it for one of its options.
TEST_F(LauncherTest, PickerOpensTheQueueNamedOnItsCommandLine) {
  const ProcessResult r = Run("kv71p-status", {"-reverse"});
  EXPECT_EQ(0, r.exitStatus) << r.err;
  const std::vector<StandInRun> runs = Started();
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ((std::vector<std::string>{"QT", "-reverse"}), runs[0].args);
}

}  // namespace
