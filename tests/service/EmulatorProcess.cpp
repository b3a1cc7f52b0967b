#include "tests/service/EmulatorProcess.h"

#include <chrono>

#include "common/Kv71pConfig.h"
#include "platform/usb/EmulatorWire.h"

using namespace kv71p;

namespace kv71p::test {

namespace {

std::string Words(const std::vector<std::string>& properties) {
  std::string text;
  for (const std::string& p : properties) {
    std::string name, value;
    text += " ";
    text += wire::SplitNameValue(p, &name, &value) ? wire::NameValue(name, value)
                                                    : wire::QuoteWord(p);
  }
  return text;
}

bool IsOk(const std::string& reply) { return reply == "OK" || reply.compare(0, 3, "OK ") == 0; }

}  // namespace

EmulatorProcess::~EmulatorProcess() { Stop(); }

bool EmulatorProcess::Start(const std::vector<std::string>& extraArgs) {
  socketPath_ = dir_ / "emulator.sock";
  std::vector<std::string> argv = {KV71P_EMULATOR_PROGRAM, "--socket", socketPath_};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  if (!process_.Start(argv, {}, dir_ / "emulator.log")) return false;
  return WaitFor([&] { return control_.Connect(socketPath_) == 0; }, 10);
}

void EmulatorProcess::Stop() {
  control_.Disconnect();
  process_.Stop();
}

std::string EmulatorProcess::Request(const std::string& line) {
  std::string reply;
  if (!control_.Request(line, &reply, 30000)) return "(no reply)";
  return reply;
}

unsigned EmulatorProcess::Attach(const std::vector<std::string>& properties) {
  const std::string reply = Request("attach" + Words(properties));
  unsigned long id = 0;
  if (!IsOk(reply) || !wire::ParseNumber(reply.substr(3), 0xFFFFFFFFul, &id)) return 0;
  return static_cast<unsigned>(id);
}

bool EmulatorProcess::Set(unsigned id, const std::vector<std::string>& properties) {
  return IsOk(Request("set " + std::to_string(id) + Words(properties)));
}

bool EmulatorProcess::Detach(unsigned id) { return IsOk(Request("detach " + std::to_string(id))); }

bool EmulatorProcess::ClearLog(unsigned id) {
  return IsOk(Request("clearlog " + std::to_string(id)));
}

std::vector<std::string> EmulatorProcess::Log(unsigned id) {
  std::vector<std::string> lines;
  const std::string reply = Request("log " + std::to_string(id));
  unsigned long count = 0;
  if (!IsOk(reply) || !wire::ParseNumber(reply.substr(3), 1000000, &count)) return lines;
  std::string line;
  for (unsigned long i = 0; i < count && control_.ReadLine(&line, 10000) == 1; ++i)
    lines.push_back(line);
  return lines;
}

// Word `word` of every "BLOCK" line of the log (6: the title, 3: the header in hex).
std::vector<std::string> EmulatorProcess::LoggedBlocks(unsigned id, size_t word) {
  std::vector<std::string> found;
  for (const std::string& line : Log(id)) {
    std::vector<std::string> words;
    if (wire::SplitWords(line, &words) && words.size() == 7 && words[0] == "BLOCK")
      found.push_back(words[word]);
  }
  return found;
}

std::vector<std::string> EmulatorProcess::LoggedTitles(unsigned id) { return LoggedBlocks(id, 6); }

std::vector<std::string> EmulatorProcess::LoggedHeaders(unsigned id) {
  std::vector<std::string> headers = LoggedBlocks(id, 3);
  for (std::string& h : headers) {
    std::string bytes;
    h = wire::HexDecode(h, &bytes) ? bytes : "(not hex)";
  }
  return headers;
}

std::vector<std::string> EmulatorProcess::Transfers(unsigned id) {
  std::vector<std::string> words;
  const std::string reply = Request("transfers " + std::to_string(id));
  if (!IsOk(reply) || !wire::SplitWords(reply, &words)) return {};
  words.erase(words.begin());
  return words;
}

OpenedPrinter::~OpenedPrinter() {
  for (auto& itf : interfaces)
    while (itf->OpenCount() > 0) itf->Close();
  interfaces.clear();
  if (device) device->Close();
}

std::unique_ptr<OpenedPrinter> OpenPrinter(const std::string& socketPath, unsigned id) {
  auto printer = std::make_unique<OpenedPrinter>();
  printer->bus = CreateEmulatedBus(socketPath);
  if (printer->bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) != kUsbSuccess)
    return nullptr;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!printer->device && std::chrono::steady_clock::now() < end) {
    std::vector<UsbEvent> events;
    printer->bus->WaitForEvents(100, &events);
    for (auto& e : events)
      if (e.kind == UsbEventKind::Arrived && e.device->Id() == id) printer->device = e.device;
  }
  if (!printer->device || printer->device->OpenSeize() != kUsbSuccess) return nullptr;
  if (printer->device->GetInterfaces(&printer->interfaces) != kUsbSuccess ||
      printer->interfaces.empty() || printer->interfaces[0]->OpenSeize() != kUsbSuccess)
    return nullptr;
  return printer;
}

}  // namespace kv71p::test
