#include "tests/service/ServiceHarness.h"

#include "platform/cups/CupsDestinations.h"

#include <cups/cups.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/Kv71pConfig.h"
#include "platform/cups/CupsDestinations.h"

namespace fs = std::filesystem;

namespace kv71p::test {

std::vector<std::string> ExpectedLpadmin(int number, const std::string& serial) {
  const std::string n = number == 0 ? "" : std::to_string(number);
  return {"-p", "KORVALE_SYSTEMS_KV_71P" + (n.empty() ? "" : "_" + n), "-E", "-D",
          "KORVALE SYSTEMS KV-71P" + (n.empty() ? "" : " " + n), "-m", KV71P_PPD_MODEL_NAME, "-v",
          "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=" + serial, "-o", "printer-is-shared=false"};
}

ServiceHarness::ServiceHarness()
    : cacheFolder_(dir_ / "cache/KV-71P"), lockFolder_(dir_ / "locks"), lpadminLog_(dir_ / "lpadmin.calls"),
      binDir_(dir_ / "bin") {
  chmod(dir_.path().c_str(), 0755);
  fs::create_directories(binDir_);
  std::error_code ec;
  fs::create_symlink(KV71P_TEST_LPADMIN_PROGRAM, binDir_ + "/lpadmin", ec);
}

bool ServiceHarness::StartCups(PrivateCupsd::Options options) {
  options.models.push_back({KV71P_PPD_MODEL_NAME, KV71P_TEST_PPD_FILE});
  cups_ = std::make_unique<PrivateCupsd>(options);
  if (!cups_->Start()) return false;
  // libcups in this process (Queues) talks to it too.
  cups_->ExportClientEnvironment();
  cupsSetServer(nullptr);
  return true;
}

bool ServiceHarness::AddQueue(const std::string& name, const std::string& uri) {
  return cups_ &&
         cups_->Lpadmin({"-p", name, "-E", "-m", KV71P_PPD_MODEL_NAME, "-v", uri}).exitStatus == 0;
}

bool ServiceHarness::StartService(const std::vector<std::string>& extraEnv) {
  const char* path = std::getenv("PATH");
  std::vector<std::string> env = {
      "KV71P_USB_EMULATOR=" + emulator_.socketPath(), "KV71P_CACHE_DIR=" + cacheFolder_,
      "KV71P_LOCK_DIR=" + lockFolder_,
      "KV71P_TEST_LPADMIN_LOG=" + lpadminLog_, "KV71P_TEST_REAL_LPADMIN=/usr/sbin/lpadmin",
      "PATH=" + binDir_ + ":" + (path ? path : "/usr/bin:/bin")};
  // Without a cupsd no scheduler answers: the printer list fails, no queue is made.
  const std::vector<std::string> client =
      cups_ ? cups_->ClientEnvironment()
            : std::vector<std::string>{"CUPS_SERVER=" + dir_ / "no-cupsd.sock", "HOME=" + dir_.path()};
  env.insert(env.end(), client.begin(), client.end());
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  return service_.Start({KV71P_INFOKV71P_PROGRAM}, env, dir_ / "service.out");
}

void ServiceHarness::FailLpadmin(bool fail) {
  if (fail) WriteFile(lpadminLog_ + ".fail", "");
  if (!fail) unlink((lpadminLog_ + ".fail").c_str());
}

std::string ServiceHarness::Output() const {
  // lpadmin's own complaints share the service's output.
  std::istringstream all(ReadFile(dir_ / "service.out"));
  std::string lines;
  for (std::string line; std::getline(all, line);)
    if (line.compare(0, 8, "lpadmin:") != 0) lines += line + "\n";
  return lines;
}

size_t ServiceHarness::CountOutput(const std::string& text) const {
  const std::string out = Output();
  size_t count = 0;
  for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++count;
  return count;
}

std::vector<std::vector<std::string>> ServiceHarness::LpadminCalls() const {
  // One line per call, each argument ended by a NUL byte.
  std::vector<std::vector<std::string>> calls;
  std::istringstream text(ReadFile(lpadminLog_));
  for (std::string line; std::getline(text, line);) {
    std::istringstream args(line);
    calls.emplace_back();
    for (std::string arg; std::getline(args, arg, '\0');) calls.back().push_back(arg);
  }
  return calls;
}

bool ServiceHarness::WaitForInfoFile(const std::string& serial, const std::string& content,
                                     double seconds) const {
  return WaitFor(
      [&] { return fs::exists(InfoFilePath(serial)) && (content.empty() || InfoFile(serial) == content); },
      seconds);
}

std::map<std::string, std::string> ServiceHarness::Queues() const {
  std::map<std::string, std::string> queues;
  EnumerateQueues(
      [](void* data, unsigned, cups_dest_t* dest) {
        auto* found = static_cast<std::map<std::string, std::string>*>(data);
        const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options);
        if (dest->instance == nullptr) (*found)[dest->name] = uri ? uri : "";
        return 1;
      },
      &queues);
  return queues;
}

size_t ServiceHarness::CountTitle(unsigned id, const std::string& title) {
  const std::vector<std::string> titles = Titles(id);
  return static_cast<size_t>(std::count(titles.begin(), titles.end(), title));
}

bool ServiceHarness::StartClock() {
  clock_ = emulator_.Attach({"serial=CLOCK"});
  return clock_ != 0 && WaitForInfoFile("CLOCK") && TouchFlag("CLOCK", FlagFile::WindowOpen) &&
         AwaitCycles(1);
}

bool ServiceHarness::AwaitCycles(int cycles) {
  const size_t until = CountTitle(clock_, "STATUS") + static_cast<size_t>(cycles);
  return WaitFor([&] { return CountTitle(clock_, "STATUS") >= until; }, 10.0 + 2 * cycles);
}

}  // namespace kv71p::test
