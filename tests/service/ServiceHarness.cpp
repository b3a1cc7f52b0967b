#include "tests/service/ServiceHarness.h"

#include <cups/cups.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/Kv71pConfig.h"

using namespace kv71p;

namespace fs = std::filesystem;

namespace kv71p::test {

namespace {

const char kRealLpadmin[] = "/usr/sbin/lpadmin";

// One recorded lpadmin call: each argument as hex digits ("-" for an
// empty one), separated by blanks.
std::vector<std::string> DecodeArguments(const std::string& line) {
  std::vector<std::string> args;
  std::istringstream words(line);
  for (std::string word; words >> word;) {
    std::string arg;
    for (size_t i = 0; word != "-" && i + 1 < word.size(); i += 2)
      arg += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
    args.push_back(arg);
  }
  return args;
}

}  // namespace

std::string QueueUri(const std::string& serial) {
  return "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=" + serial;
}

std::vector<std::string> ExpectedLpadmin(int number, const std::string& serial) {
  const std::string suffix = number == 0 ? "" : "_" + std::to_string(number);
  const std::string description = number == 0 ? "" : " " + std::to_string(number);
  return {"-p", "KORVALE_SYSTEMS_KV_71P" + suffix,
          "-E", "-D",
          "KORVALE SYSTEMS KV-71P" + description, "-m",
          KV71P_PPD_MODEL_NAME, "-v",
          QueueUri(serial), "-o",
          "printer-is-shared=false"};
}

std::string DefaultInformationFile(const std::string& serial, const std::string& model,
                                   const InfoValues& changes) {
  InfoValues v = {{"MODEL", model},          {"PRINTER_STATUS", "00000"},
                  {"PRINTER_MESSAGE", "00001"}, {"PRINTER_VERSION", "1.53"},
                  {"PRINTER_SERIAL_NO", serial}, {"MEDIA_SIZE", "00510"},
                  {"MEDIA_CLASS", "0000002"},  {"MEDIA_INITIAL", "00400"},
                  {"MEDIA_REMAIN", "00123"},   {"MEDIA_REMAIN_HALF", "00246"}};
  for (const auto& [key, value] : changes) v[key] = value;
  return InfoFileText(v);
}

ServiceHarness::ServiceHarness() {
  chmod(dir_.path().c_str(), 0755);
  cacheFolder_ = dir_ / "cache/KV-71P";
  lpadminLog_ = dir_ / "lpadmin.calls";
  binDir_ = dir_ / "bin";
  fs::create_directories(binDir_);
  std::error_code ec;
  fs::create_symlink(KV71P_TEST_LPADMIN_PROGRAM, binDir_ + "/lpadmin", ec);
}

ServiceHarness::~ServiceHarness() {
  service_.Stop(9, 5);
  emulator_.Stop();
  cups_.reset();
}

bool ServiceHarness::StartCups(PrivateCupsd::Options options) {
  options.models.push_back({KV71P_PPD_MODEL_NAME, KV71P_TEST_PPD_FILE});
  cups_ = std::make_unique<PrivateCupsd>(options);
  if (!cups_->Start()) return false;
  // libcups in this process (Queues, QueueOption) talks to it too.
  cups_->ExportClientEnvironment();
  cupsSetServer(nullptr);
  return true;
}

bool ServiceHarness::AddQueue(const std::string& name, const std::string& uri) {
  if (!cups_) return false;
  const ProcessResult r =
      cups_->Lpadmin({"-p", name, "-E", "-m", KV71P_PPD_MODEL_NAME, "-v", uri});
  return r.exitStatus == 0;
}

bool ServiceHarness::DeleteQueue(const std::string& name) {
  return cups_ && cups_->Lpadmin({"-x", name}).exitStatus == 0;
}

bool ServiceHarness::StartService() {
  const char* path = std::getenv("PATH");
  std::vector<std::string> env = {
      "KV71P_USB_EMULATOR=" + emulator_.socketPath(),
      "KV71P_CACHE_DIR=" + cacheFolder_,
      "KV71P_TEST_LPADMIN_LOG=" + lpadminLog_,
      "PATH=" + binDir_ + ":" + (path ? path : "/usr/bin:/bin"),
  };
  if (cups_) {
    for (const std::string& e : cups_->ClientEnvironment()) env.push_back(e);
    env.push_back(std::string("KV71P_TEST_REAL_LPADMIN=") + kRealLpadmin);
  } else {
    // No scheduler answers here: the printer list fails, no queue is made.
    env.push_back("CUPS_SERVER=" + dir_ / "no-cupsd.sock");
    env.push_back("HOME=" + dir_.path());
    env.push_back("KV71P_TEST_REAL_LPADMIN=");
  }
  return service_.Start({KV71P_INFOKV71P_PROGRAM}, env, dir_ / "service.out");
}

int ServiceHarness::StopService(int signal) { return service_.Stop(signal, 10); }

std::string ServiceHarness::Output() const {
  // lpadmin's own complaints share the service's output; they are not the
  // service's lines.
  std::istringstream all(ReadFile(dir_ / "service.out"));
  std::string lines;
  for (std::string line; std::getline(all, line);)
    if (line.compare(0, 8, "lpadmin:") != 0) lines += line + "\n";
  return lines;
}

size_t ServiceHarness::CountOutput(const std::string& line) const {
  const std::string out = Output();
  size_t count = 0;
  for (size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++count;
  return count;
}

std::vector<std::vector<std::string>> ServiceHarness::LpadminCalls() const {
  std::vector<std::vector<std::string>> calls;
  std::istringstream text(ReadFile(lpadminLog_));
  for (std::string line; std::getline(text, line);) calls.push_back(DecodeArguments(line));
  return calls;
}

std::string ServiceHarness::InfoFilePath(const std::string& serial) const {
  return cacheFolder_ + "/KV-71P_" + serial + ".log";
}

std::string ServiceHarness::InfoFile(const std::string& serial) const {
  return ReadFile(InfoFilePath(serial));
}

bool ServiceHarness::WaitForInfoFile(const std::string& serial, const std::string& content,
                                     double seconds) const {
  return WaitFor(
      [&] {
        if (!fs::exists(InfoFilePath(serial))) return false;
        return content.empty() || InfoFile(serial) == content;
      },
      seconds);
}

std::string ServiceHarness::FlagPath(const std::string& serial, const std::string& suffix) const {
  return cacheFolder_ + "/KV-71P_" + serial + suffix;
}

bool ServiceHarness::TouchFlag(const std::string& serial, const std::string& suffix) const {
  return WriteFile(FlagPath(serial, suffix), "");
}

std::map<std::string, std::string> ServiceHarness::Queues() const {
  std::map<std::string, std::string> queues;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < count; ++i) {
    if (dests[i].instance != nullptr) continue;
    const char* uri = cupsGetOption("device-uri", dests[i].num_options, dests[i].options);
    queues[dests[i].name] = uri ? uri : "";
  }
  cupsFreeDests(count, dests);
  return queues;
}

std::string ServiceHarness::QueueOption(const std::string& queue,
                                        const std::string& option) const {
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  std::string value = "(none)";
  if (cups_dest_t* d = cupsGetDest(queue.c_str(), nullptr, count, dests))
    if (const char* v = cupsGetOption(option.c_str(), d->num_options, d->options)) value = v;
  cupsFreeDests(count, dests);
  return value;
}

bool ServiceHarness::QueueHasOurPpd(const std::string& queue) const {
  if (!cups_) return false;
  const std::string ppd = ReadFile(cups_->root() + "/etc/ppd/" + queue + ".ppd");
  return ppd.find("*ModelName: \"KORVALE SYSTEMS KV-71P\"") != std::string::npos;
}

size_t ServiceHarness::CountTitle(unsigned id, const std::string& title) {
  size_t count = 0;
  for (const std::string& t : Titles(id)) count += t == title;
  return count;
}

bool ServiceHarness::StartClock() {
  clock_ = emulator_.Attach({"serial=CLOCK"});
  return clock_ != 0 && WaitForInfoFile("CLOCK") && TouchFlag("CLOCK", "_UTIL") && AwaitCycles(1);
}

bool ServiceHarness::AwaitCycles(int cycles) {
  const size_t until = CountTitle(clock_, "STATUS") + static_cast<size_t>(cycles);
  return WaitFor([&] { return CountTitle(clock_, "STATUS") >= until; }, 10.0 + 2 * cycles);
}

}  // namespace kv71p::test
