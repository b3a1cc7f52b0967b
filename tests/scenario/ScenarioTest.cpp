#include "ScenarioTest.h"

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>

#include "KeyValueFile.h"
#include "LauncherTestSupport.h"
#include "ShownTexts.h"

namespace kv71p::test {

void ScenarioTest::SetUp() {
  runtimeFolder_ = scratch_ / "runtime";
  shownFile_ = scratch_ / "shown.txt";
  ASSERT_EQ(0, mkdir(runtimeFolder_.c_str(), 0700));

  ASSERT_TRUE(suite_.emulator().Start());
  // The scheduler runs the built filter for the queue's PPD; the test
  // backend hands the filter the printer's information file as the job's
  // per-job file (the media loaded in the printer) and keeps the stream.
  PrivateCupsd::Options options;
  options.filters.push_back({"rastertokv71p", KV71P_FILTER_PROGRAM});
  options.setEnv.push_back("KV71P_CACHE_DIR=" + suite_.cacheFolder());
  options.setEnv.push_back("VEXBACKEND_JOB_INFO=" + suite_.InfoFilePath(kFileSerial));
  ASSERT_TRUE(suite_.StartCups(options));
  ASSERT_TRUE(suite_.StartService());
  // The refresh button's flag is made by the window's own function in this
  // process (see WholeSuiteTest); it finds the cache folder here.
  setenv("KV71P_CACHE_DIR", suite_.cacheFolder().c_str(), 1);
}

void ScenarioTest::TearDown() {
  for (pid_t window : Windows()) WaitForChild(window, SIGKILL, 10);
}

unsigned ScenarioTest::AttachPrinter(const std::vector<std::string>& properties) {
  std::vector<std::string> all = {std::string("serial=") + kSerial};
  all.insert(all.end(), properties.begin(), properties.end());
  const unsigned id = suite_.emulator().Attach(all);
  if (id == 0) return 0;
  const bool queued = WaitFor(
      [&] {
        const auto queues = suite_.Queues();
        const auto queue = queues.find(kQueue);
        return queue != queues.end() && queue->second == QueueUri(kFileSerial);
      },
      30);
  if (!queued || !suite_.WaitForInfoFile(kFileSerial)) return 0;
  return id;
}

ProcessResult ScenarioTest::Launch(const std::string& queue) {
  return RunClient(*suite_.cups(), suite_.cacheFolder(), {WATCHLAUNCHER_BINARY, queue},
                   {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtimeFolder_,
                    "KV71P_PRINTWATCH_SHOWN_FILE=" + shownFile_, "LANGUAGE=en",
                    "LC_ALL=C.UTF-8"});
}

std::vector<std::string> ScenarioTest::ArgumentsOf(pid_t pid) {
  // A process caught in the middle of its exec has no arguments yet.
  std::string cmdline;
  WaitFor([&] { return !(cmdline = ReadFile("/proc/" + std::to_string(pid) + "/cmdline")).empty(); },
          10);
  std::vector<std::string> args;
  size_t start = 0;
  for (size_t end = cmdline.find('\0'); end != std::string::npos;
       end = cmdline.find('\0', start)) {
    args.push_back(cmdline.substr(start, end - start));
    start = end + 1;
  }
  if (!args.empty()) args.erase(args.begin());
  return args;
}

int ScenarioTest::CloseWindow(pid_t window) { return WaitForChild(window, SIGTERM, 20); }

Shown ScenarioTest::LatestShown() const {
  return kv71p::printwatch::ParseShownTexts(ReadFile(shownFile_));
}

Shown ScenarioTest::WaitForShown(const std::function<bool(const Shown&)>& condition,
                                 double seconds) const {
  Shown shown;
  if (WaitFor(
          [&] {
            shown = LatestShown();
            return !shown.empty() && condition(shown);
          },
          seconds))
    return shown;
  return {};
}

Shown ScenarioTest::WaitForShown(const std::string& name, const std::string& text,
                                 double seconds) const {
  return WaitForShown(
      [&](const Shown& shown) {
        const auto it = shown.find(name);
        return it != shown.end() && it->second == text;
      },
      seconds);
}

std::string ScenarioTest::CachePath(const std::string& suffix) const {
  return suite_.cacheFolder() + "/KV-71P_" + kFileSerial + suffix;
}

std::string ScenarioTest::InfoValue(const std::string& key) const {
  std::string value;
  if (!FindKeyValue(CachePath(".log").c_str(), key.c_str(), &value)) return "(none)";
  return value;
}

Shown Pick(const Shown& shown, const std::vector<std::string>& names) {
  Shown picked;
  for (const std::string& name : names) {
    const auto it = shown.find(name);
    picked[name] = it == shown.end() ? "(none)" : it->second;
  }
  return picked;
}

}  // namespace kv71p::test
