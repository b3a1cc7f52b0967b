#include "tests/service/EmulatorProcess.h"

#include "common/Kv71pConfig.h"
#include "platform/usb/EmulatorWire.h"

namespace kv71p::test {

std::string DefaultInformationFile(const std::string& serial, const std::string& model,
                                   const InfoValues& changes) {
  InfoValues v = {{"MODEL", model}, {"PRINTER_STATUS", "00000"}, {"PRINTER_MESSAGE", "00001"},
                  {"PRINTER_VERSION", "1.53"}, {"PRINTER_SERIAL_NO", serial},
                  {"MEDIA_SIZE", "00510"}, {"MEDIA_CLASS", "0000002"}, {"MEDIA_INITIAL", "00400"},
                  {"MEDIA_REMAIN", "00123"}, {"MEDIA_REMAIN_HALF", "00246"}};
  for (const auto& [key, value] : changes) v[key] = value;
  return InfoFileText(v);
}

std::string EmulatorProcess::Words(const std::vector<std::string>& properties) {
  std::string text;
  for (const std::string& p : properties) {
    std::string name, value;
    text += " " + (wire::SplitNameValue(p, &name, &value) ? wire::NameValue(name, value)
                                                           : wire::QuoteWord(p));
  }
  return text;
}

bool EmulatorProcess::Start() {
  socketPath_ = dir_ / "emulator.sock";
  return process_.Start({KV71P_EMULATOR_PROGRAM, "--socket", socketPath_}, {}, dir_ / "emulator.log") &&
         WaitFor([&] { return control_.Connect(socketPath_) == 0; }, 10);
}

unsigned EmulatorProcess::Attach(const std::vector<std::string>& properties) {
  const std::string reply = Request("attach" + Words(properties));
  unsigned long id = 0;
  return IsOk(reply) && wire::ParseNumber(reply.substr(3), 0xFFFFFFFFul, &id) ? static_cast<unsigned>(id) : 0;
}

std::vector<std::string> EmulatorProcess::Log(unsigned id) {
  std::vector<std::string> lines;
  const std::string reply = Request("log " + std::to_string(id));
  unsigned long count = 0;
  std::string line;
  if (IsOk(reply) && wire::ParseNumber(reply.substr(3), 1000000, &count))
    for (unsigned long i = 0; i < count && control_.ReadLine(&line, 10000) == 1; ++i) lines.push_back(line);
  return lines;
}

std::vector<std::string> EmulatorProcess::LoggedBlocks(unsigned id, size_t word) {
  std::vector<std::string> found;
  for (const std::string& line : Log(id)) {
    std::vector<std::string> words;
    std::string bytes;
    if (!wire::SplitWords(line, &words) || words.size() != 7 || words[0] != "BLOCK") continue;
    found.push_back(word != 3 ? words[word] : wire::HexDecode(words[3], &bytes) ? bytes : "(not hex)");
  }
  return found;
}

std::vector<std::string> EmulatorProcess::Transfers(unsigned id) {
  std::vector<std::string> words;
  if (!wire::SplitWords(Request("transfers " + std::to_string(id)), &words) || words.empty() ||
      words[0] != "OK")
    return {};
  words.erase(words.begin());
  return words;
}

OpenedPrinter::~OpenedPrinter() {
  for (auto& itf : interfaces)
    while (itf->OpenCount() > 0) itf->Close();
  interfaces.clear();
  if (device) device->Close();
}

std::unique_ptr<OpenedPrinter> OpenPrinter(std::unique_ptr<UsbBus> bus, unsigned id, bool listOnly) {
  auto printer = std::make_unique<OpenedPrinter>();
  printer->bus = std::move(bus);
  if (printer->bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) != kUsbSuccess)
    return nullptr;
  WaitFor(
      [&] {
        std::vector<UsbEvent> events;
        printer->bus->WaitForEvents(100, &events);
        for (auto& e : events)
          if (e.kind == UsbEventKind::Arrived && (id == 0 || e.device->Id() == id) && !printer->device)
            printer->device = e.device;
        return printer->device != nullptr;
      },
      10);
  if (!printer->device || printer->device->OpenSeize() != kUsbSuccess ||
      printer->device->GetInterfaces(&printer->interfaces) != kUsbSuccess ||
      printer->interfaces.empty() || (!listOnly && printer->interfaces[0]->OpenSeize() != kUsbSuccess))
    return nullptr;
  return printer;
}

}  // namespace kv71p::test
