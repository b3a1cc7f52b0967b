// Watchlauncher as a process against a private CUPS scheduler. A copy of
// the launcher sits next to a stand-in Printwatch.app that records how it
// was started. (With the real window and the service: test_scenario.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "tests/watchlauncher/LauncherTestSupport.h"

namespace {

using namespace kv71p::test;

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(cupsd_.Start()) << cupsd_.errorLog();
    cache_ = dir_ / "Korvale/KV-71P";
    folder_ = dir_ / "launcher";
    records_ = dir_ / "records";
    ASSERT_TRUE(CopyProgram(WATCHLAUNCHER_BINARY, folder_ + "/Watchlauncher"));
    ASSERT_TRUE(WriteStandIn(LaunchPath(), records_));
  }

  std::string LaunchPath() const { return folder_ + "/Printwatch.app/Contents/MacOS/Printwatch"; }

  // Without `info` CUPS makes the queue name its description.
  void AddQueue(const std::string& queue, const std::string& uri, const char* info = nullptr) {
    std::vector<std::string> args = {"-p", queue, "-E", "-v", uri};
    if (info != nullptr) args.insert(args.end(), {"-D", info});
    const ProcessResult r = cupsd_.Lpadmin(args);
    ASSERT_EQ(0, r.exitStatus) << r.err;
  }

  // Runs the launcher copy with `args`.
  ProcessResult Launch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {folder_ + "/Watchlauncher"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunClient(cupsd_, cache_, argv);
  }

  // The stand-in's starts since the last call.
  std::vector<StandInRun> Started() { return TakeStandInRuns(children_, "Printwatch", records_); }

  void MakeFlag(const std::string& serial) {
    std::filesystem::create_directories(cache_);
    ASSERT_TRUE(WriteFile(cache_ + "/KV-71P_" + serial + "_UTIL", ""));
  }

  AdoptedChildren children_;
  TestTempDir dir_;
  PrivateCupsd cupsd_;
  std::string cache_, folder_, records_;
};

TEST_F(LauncherTest, StartsTheWindowWithSerialNumberAndPrintersNameDetached) {
  // The name goes over as it stands: no shell sees it.
  const std::string name = "KV-71P \"Studio\" $HOME; `id` & K\xc3\xa4ln";
  AddQueue("KORVALE_SYSTEMS_KV_71P", std::string(kQueueUri) + "A1B2C3", name.c_str());
  AddQueue("Other", std::string(kQueueUri) + "ZZZ", "Other studio");

  const ProcessResult r = Launch({"KORVALE_SYSTEMS_KV_71P"});
  EXPECT_EQ(0, r.exitStatus);
  EXPECT_EQ("", r.out + r.err);
  const std::vector<StandInRun> runs = Started();
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ((std::vector<std::string>{"A1B2C3", name}), runs[0].args);
  // Nothing of the launcher's own channels is kept open by the window.
  EXPECT_EQ("/dev/null", runs[0].in);
  EXPECT_EQ("/dev/null", runs[0].out);
  EXPECT_EQ("/dev/null", runs[0].err);
  EXPECT_TRUE(runs[0].ownSession);
  EXPECT_FALSE(Exists(cache_ + "/KV-71P_A1B2C3_UTIL")) << "the window makes its flag, not the launcher";
}

// URIs that are not a KV-71P printer's: LauncherLogicTest and test_scenario.
TEST_F(LauncherTest, NothingStartsWithoutAKv71pQueueOfThatName) {
  AddQueue("KV_GOOD", std::string(kQueueUri) + "A1");
  const std::vector<std::vector<std::string>> cases = {
      {},  // no queue name: quits at once
      {""},
      {"kv_good"},  // names compare exactly
      {"NO_SUCH_QUEUE"},
  };
  for (const std::vector<std::string>& args : cases) {
    const std::string what = args.empty() ? "(none)" : "'" + args[0] + "'";
    const ProcessResult r = Launch(args);
    EXPECT_EQ(1, r.exitStatus) << what;
    EXPECT_EQ("", r.out + r.err) << what;
    EXPECT_TRUE(Started().empty()) << what;
  }
  EXPECT_EQ(0, Launch({"KV_GOOD"}).exitStatus);
  EXPECT_EQ(1u, Started().size()) << "the good queue next to them works";
}

TEST_F(LauncherTest, WindowFlagKeepsASecondWindowShut) {
  AddQueue("KV_A", std::string(kQueueUri) + "A1B2C3", "Studio");
  struct Case {
    const char* what;
    std::string flagSerial;  // empty: no flag
    bool symlink;
    bool starts;
  } cases[] = {
      {"flag of another printer", "A1B2C", false, true},
      {"a link at the flag's place", "A1B2C3", true, false},  // a stale flag: test_scenario
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(cache_);
    std::filesystem::create_directories(cache_);
    const std::string flag = cache_ + "/KV-71P_" + c.flagSerial + "_UTIL";
    if (c.symlink) {
      ASSERT_EQ(0, symlink("/nonexistent", flag.c_str()));
    } else {
      MakeFlag(c.flagSerial);
    }
    const ProcessResult r = Launch({"KV_A"});
    EXPECT_EQ(0, r.exitStatus) << c.what;
    EXPECT_EQ("", r.out + r.err) << c.what;
    EXPECT_EQ(c.starts ? 1u : 0u, Started().size()) << c.what;
    EXPECT_TRUE(Exists(flag)) << c.what << ": the launcher never removes a flag";
  }
}

TEST_F(LauncherTest, PrinterNameComesFromTheLastPrinterWithTheUriThenDescriptionThenQueue) {
  const std::string uri = std::string(kQueueUri) + "SHARED";
  AddQueue("KV_1", uri, "First");
  AddQueue("KV_2", uri, "Second");
  // A device URI longer than the printer list's 254-byte text compares
  // with no printer, so no printer name is found.
  const std::string longUri = std::string(kQueueUri) + std::string(240, 'L');
  AddQueue("KV_LONG_INFO", longUri + "1", "Long studio");
  AddQueue("KV_LONG", longUri + "2", "");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"KV_1", "Second"},  // last match wins
      {"KV_2", "Second"},
      {"KV_LONG_INFO", "Long studio"},  // the queue's description
      {"KV_LONG", "KV_LONG"},           // else the queue name
  };
  for (const auto& [queue, name] : cases) {
    EXPECT_EQ(0, Launch({queue}).exitStatus) << queue;
    const std::vector<StandInRun> runs = Started();
    ASSERT_EQ(1u, runs.size()) << queue;
    EXPECT_EQ(name, runs[0].args.at(1)) << queue;
  }
}

TEST_F(LauncherTest, MissingProgramStartsNothingAndSaysSoInOneLine) {
  AddQueue("KV_A", std::string(kQueueUri) + "A1");
  const std::string app = folder_ + "/Printwatch.app";
  struct Case {
    const char* what;
    std::function<bool()> prepare;
  } cases[] = {
      {"no Printwatch.app", [] { return true; }},
      {"not executable", [&] { return WriteStandIn(LaunchPath(), records_) && chmod(LaunchPath().c_str(), 0644) == 0; }},
      {"a folder", [&] { return std::filesystem::create_directories(LaunchPath()); }},
      {"not a program", [&] {
         std::filesystem::create_directories(std::filesystem::path(LaunchPath()).parent_path());
         return WriteFile(LaunchPath(), "garbage\n") && chmod(LaunchPath().c_str(), 0755) == 0;
       }},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(app);
    ASSERT_TRUE(c.prepare()) << c.what;
    const ProcessResult r = Launch({"KV_A"});
    EXPECT_EQ(2, r.exitStatus) << c.what;
    EXPECT_EQ("", r.out) << c.what;
    EXPECT_EQ(0u, r.err.rfind("Watchlauncher: ", 0)) << c.what << ": " << r.err;
    EXPECT_NE(std::string::npos, r.err.find(LaunchPath())) << c.what;
    EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << c.what << ": " << r.err;
    EXPECT_TRUE(Started().empty()) << c.what;
  }
  // With the window's flag present nothing is to be started, so a missing
  // program goes unnoticed.
  std::filesystem::remove_all(app);
  MakeFlag("A1");
  const ProcessResult r = Launch({"KV_A"});
  EXPECT_EQ(0, r.exitStatus);
  EXPECT_EQ("", r.err);
}

}  // namespace
