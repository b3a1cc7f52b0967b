#include "tools/testbed/emulator/EmulatedPrinter.h"

#include <algorithm>
#include <cstdio>

#include "common/CommandCatalogue.h"
#include "common/Kv71pConfig.h"
#include "common/StatusCode.h"
#include "platform/usb/EmulatorWire.h"
#include "tools/testbed/emulator/PrintCounters.h"

using namespace kv71p;

namespace kv71p::emulator {

const char* const kQueryKeys[] = {"STATUS", "SERIAL_NUMBER", "FVER", "MEDIA", "MEDIA_CLASS_RFID",
                                  "MQTY_DEFAULT", "MQTY", "RQTY", "COUNTER_LIFE"};
const size_t kQueryKeyCount = sizeof kQueryKeys / sizeof kQueryKeys[0];

namespace {

// Answer texts: property name, query key, default.
struct TextProperty {
  const char* name;
  const char* key;
  const char* initial;
};
const TextProperty kTextProperties[] = {
    {"serial", "SERIAL_NUMBER", "KVP00123"},
    {"firmware", "FVER", "1.53"},
    {"media", "MEDIA", "0000510"},
    {"class", "MEDIA_CLASS_RFID", "0000002"},
    {"initial", "MQTY_DEFAULT", "000000400"},
    {"remain", "MQTY", "000000123"},
    {"remainhalf", "RQTY", "000000246"},
    {"total", "COUNTER_LIFE", "0001234"},
};

constexpr char kDefaultDeviceId[] =
    "MFG:Korvale;CMD:VEX;MDL:KV-71P;CLS:PRINTER;DES:Korvale KV-71P;";
constexpr size_t kLogLimit = 100000;
constexpr unsigned long kLongestPrintMs = 3600000;
constexpr unsigned long kLongestOutLimit = 1UL << 40;

bool IsQueryKey(const std::string& key) {
  for (size_t i = 0; i < kQueryKeyCount; ++i)
    if (key == kQueryKeys[i]) return true;
  return false;
}

std::string Trimmed(const std::string& field) {
  const size_t end = field.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : field.substr(0, end + 1);
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!item.empty()) items.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

std::string JoinList(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out.empty() ? "none" : out;
}

}  // namespace

EmulatedPrinter::EmulatedPrinter(unsigned id)
    : vendor(KV71P_USB_VENDOR_ID), product(KV71P_USB_PRODUCT_ID), id_(id),
      deviceId_(kDefaultDeviceId) {
  for (const TextProperty& p : kTextProperties) texts_[p.name] = p.initial;
  InterfaceState first;
  first.number = 0;
  first.endpoints = {{0x01, 0x02, 512}, {0x82, 0x02, 512}};
  interfaces_.push_back(first);
}

std::string* EmulatedPrinter::Text(const std::string& name) {
  auto it = texts_.find(name);
  return it == texts_.end() ? nullptr : &it->second;
}

InterfaceState* EmulatedPrinter::FindInterface(int number) {
  for (InterfaceState& itf : interfaces_)
    if (itf.number == number) return &itf;
  return nullptr;
}

bool EmulatedPrinter::Set(const std::string& name, const std::string& value, bool attaching,
                          std::string* error) {
  unsigned long n = 0;
  if (std::string* text = Text(name)) {
    *text = value;
    return true;
  }
  if (name == "status") {
    if (!wire::ParseInt(value, &status_)) {
      *error = "status needs a whole number";
      return false;
    }
    statusFromPrint_ = false;  // a status set by hand stands after a print
    return true;
  }
  if (name == "print-ms") {
    if (wire::ParseNumber(value, kLongestPrintMs, &printMs_)) return true;
    *error = "print-ms needs a number from 0 to " + std::to_string(kLongestPrintMs);
    return false;
  }
  if (name == "deviceid") {
    deviceId_ = value;
    return true;
  }
  if (name == "deviceid-length") {
    if (!wire::ParseNumber(value, 65535, &n)) {
      *error = "deviceid-length needs a number from 0 to 65535";
      return false;
    }
    deviceIdLength_ = static_cast<unsigned>(n);
    return true;
  }
  if (name.compare(0, 6, "frame.") == 0 && IsQueryKey(name.substr(6))) {
    if (value.empty())
      frames_.erase(name.substr(6));
    else
      frames_[name.substr(6)] = value;
    return true;
  }
  if (name == "silent") {
    std::vector<std::string> items = SplitList(value);
    if (items.size() == 1 && items[0] == "none") items.clear();
    for (const std::string& item : items) {
      if (item != "all" && !IsQueryKey(item)) {
        *error = "silent takes none, all or query keys: " + item;
        return false;
      }
    }
    silent_ = items;
    return true;
  }
  if (name == "refuse-open") {
    if (value != "none" && value != "device" && value != "interface" && value != "both") {
      *error = "refuse-open takes none, device, interface or both";
      return false;
    }
    refuseOpen_ = value;
    return true;
  }
  if (name == "unplug-on") {
    if (value != "none" && value != kParamStart && !IsQueryKey(value)) {
      *error = "unplug-on takes none, START or a query key";
      return false;
    }
    unplugOn_ = value;
    return true;
  }
  if (name == "output") {
    output_ = value;
    return true;
  }
  if (name == "out-limit") {
    if (value == "none") {
      outLimit_ = -1;
      return true;
    }
    if (!wire::ParseNumber(value, kLongestOutLimit, &n)) {
      *error = "out-limit takes none or a number of bytes";
      return false;
    }
    outLimit_ = static_cast<long long>(n);
    return true;
  }
  if (name == "vendor" || name == "product" || name == "interfaces") {
    if (!attaching) {
      *error = name + " can only be given to attach";
      return false;
    }
    const unsigned long max = name == "interfaces" ? 2 : 65535;
    if (!wire::ParseNumber(value, max, &n) || (name == "interfaces" && n < 1)) {
      *error = name == "interfaces" ? "interfaces is 1 or 2" : name + " needs a number to 65535";
      return false;
    }
    if (name == "vendor") vendor = static_cast<uint16_t>(n);
    if (name == "product") product = static_cast<uint16_t>(n);
    if (name == "interfaces") {
      interfaces_.resize(1);
      if (n == 2) {
        InterfaceState second;
        second.number = 1;
        second.endpoints = {{0x03, 0x02, 512}, {0x84, 0x02, 512}};
        interfaces_.push_back(second);
      }
    }
    return true;
  }
  *error = "unknown property " + name;
  return false;
}

std::vector<std::pair<std::string, std::string>> EmulatedPrinter::Properties() const {
  std::vector<std::pair<std::string, std::string>> out;
  out.emplace_back("vendor", std::to_string(vendor));
  out.emplace_back("product", std::to_string(product));
  out.emplace_back("interfaces", std::to_string(interfaces_.size()));
  out.emplace_back("status", std::to_string(status_));
  for (const TextProperty& p : kTextProperties) out.emplace_back(p.name, texts_.at(p.name));
  out.emplace_back("deviceid", deviceId_);
  out.emplace_back("deviceid-length", std::to_string(deviceIdLength_));
  out.emplace_back("silent", JoinList(silent_));
  out.emplace_back("refuse-open", refuseOpen_);
  out.emplace_back("unplug-on", unplugOn_);
  out.emplace_back("output", output_);
  out.emplace_back("print-ms", std::to_string(printMs_));
  out.emplace_back("out-limit", outLimit_ < 0 ? std::string("none") : std::to_string(outLimit_));
  for (const auto& f : frames_) out.emplace_back("frame." + f.first, f.second);
  out.emplace_back("attached", attached ? "yes" : "no");
  return out;
}

std::string EmulatedPrinter::Answer(const std::string& key) const {
  std::string payload;
  if (key == "STATUS") {
    char text[32];
    std::snprintf(text, sizeof text, "%07d", status_);
    payload = text;
  } else {
    for (const TextProperty& p : kTextProperties)
      if (key == p.key) payload = texts_.at(p.name);
  }
  payload += '\r';
  char header[32];
  std::snprintf(header, sizeof header, "%08zu", payload.size());
  return header + payload;
}

std::string EmulatedPrinter::DeviceIdAnswer(uint16_t length) const {
  const size_t announced =
      deviceIdLength_ != 0 ? deviceIdLength_ : std::min<size_t>(deviceId_.size() + 2, 65535);
  std::string answer;
  answer += static_cast<char>((announced >> 8) & 0xFF);
  answer += static_cast<char>(announced & 0xFF);
  answer += deviceId_;
  if (answer.size() > length) answer.resize(length);
  return answer;
}

void EmulatedPrinter::AddLog(LogEntry entry) {
  entry.sequence = nextSequence_++;
  if (log_.size() >= kLogLimit) log_.pop_front();
  log_.push_back(std::move(entry));
}

size_t EmulatedPrinter::TakeOutBytes(size_t offered) {
  if (outLimit_ < 0) return offered;
  const size_t taken = std::min(offered, static_cast<size_t>(outLimit_));
  outLimit_ -= static_cast<long long>(taken);
  return taken;
}

void EmulatedPrinter::AddTransfer(bool in, size_t size) {
  if (transfers_.size() >= kLogLimit) transfers_.pop_front();
  transfers_.push_back((in ? "in:" : "out:") + std::to_string(size));
}

void EmulatedPrinter::AddPrintEvent(const std::string& event) {
  if (printEvents_.size() >= kLogLimit) printEvents_.pop_front();
  printEvents_.push_back(event);
}

void EmulatedPrinter::Receive(InterfaceState& itf, const char* data, size_t size,
                              Clock::time_point now, bool* unplug, bool* cutTransfer) {
  itf.answer.clear();
  receiving_ = &itf;
  receivedAt_ = now;
  unplugRequested_ = transferCut_ = false;
  itf.splitter.Feed(data, size, *this);
  receiving_ = nullptr;
  *unplug = unplugRequested_;
  *cutTransfer = transferCut_;
}

void EmulatedPrinter::EndHolding(InterfaceState& itf) {
  itf.splitter.Reset();
  itf.blockInPrint = false;
  itf.answer.clear();
  if (itf.print.open) AddPrintEvent("discarded:unfinished");
  itf.print = PrintInProgress();
}

void EmulatedPrinter::OnJunk(const std::string& start, size_t dropped) {
  LogEntry junk;
  junk.interfaceNumber = receiving_->number;
  junk.junk = true;
  junk.header = start;
  junk.dataLength = dropped;
  AddLog(std::move(junk));
}

void EmulatedPrinter::OnBlockHeader(const std::string& header, size_t dataLength) {
  InterfaceState& itf = *receiving_;
  const std::string command = Trimmed(header.substr(2, 6));
  // Setting, image and start blocks make up a print; queries do not.
  itf.blockInPrint = command != kCmdStatus && command != kCmdInfo && command != kCmdMntRd;
  if (!itf.blockInPrint) return;
  PrintInProgress& print = itf.print;
  if (!print.open) {
    print.open = true;
    print.kept = !output_.empty();
  }
  if (!print.kept) return;
  print.stream.reserve(print.stream.size() + header.size() + dataLength);
  print.stream += header;
}

void EmulatedPrinter::OnBlockData(const char* data, size_t size) {
  if (receiving_->blockInPrint && receiving_->print.kept) receiving_->print.stream.append(data, size);
}

bool EmulatedPrinter::OnBlockEnd(const std::string& header, size_t dataLength,
                                 const std::string& dataStart) {
  InterfaceState& itf = *receiving_;
  LogEntry entry;
  entry.interfaceNumber = itf.number;
  entry.header = header;
  entry.dataLength = dataLength;
  entry.dataStart = dataStart;
  AddLog(std::move(entry));

  const std::string command = Trimmed(header.substr(2, 6));
  const std::string parameter = Trimmed(header.substr(8, 16));
  if (!itf.blockInPrint) {
    const std::string key = command == kCmdStatus ? command : parameter;
    if (!IsQueryKey(key)) return true;  // unknown queries stay unanswered
    if (unplugOn_ == key) {
      unplugOn_ = "none";
      unplugRequested_ = true;
      return false;
    }
    if (std::find(silent_.begin(), silent_.end(), "all") != silent_.end() ||
        std::find(silent_.begin(), silent_.end(), key) != silent_.end())
      return true;
    auto frame = frames_.find(key);
    itf.answer = frame != frames_.end() ? frame->second : Answer(key);
    return true;
  }
  itf.blockInPrint = false;
  unsigned long long code = 0;
  if (command == kCmdImage && parameter == kParamMultiCut)
    itf.print.multiCut = ReadCounter(dataStart.substr(0, 8), &code) ? static_cast<long>(code) : -1;
  if (command == kCmdCntrl && parameter == kParamStart) {
    StartPrint(itf);
    // The print has begun, but the host never hears that its START arrived.
    if (unplugOn_ == kParamStart) {
      unplugOn_ = "none";
      unplugRequested_ = transferCut_ = true;
      return false;
    }
  }
  return true;
}

void EmulatedPrinter::StartPrint(InterfaceState& itf) {
  PrintInProgress print = std::move(itf.print);
  itf.print = PrintInProgress();
  // Ready means no print running and the status ready or standby.
  if (printing_ || (status_ != kStatusIdle && status_ != kStatusStandby)) {
    AddPrintEvent("discarded:not-ready");
    return;
  }
  const int halves = HalfPrintsTaken(texts_.at("media"), print.multiCut);
  unsigned long long left = 0;
  if (ReadCounter(texts_.at("remainhalf"), &left) && left < static_cast<unsigned>(halves)) {
    status_ = kStatusRibbonEnd;
    statusFromPrint_ = false;
    AddPrintEvent("discarded:ribbon-end");
    return;
  }
  printing_ = true;
  printEnd_ = receivedAt_ + std::chrono::milliseconds(printMs_);
  printHalves_ = halves;
  statusBeforePrint_ = status_;
  status_ = kStatusPrinting;
  statusFromPrint_ = true;
  renderWhenPrinted_ = print.kept && !output_.empty();
  printToRender_ = PrintToRender{renderWhenPrinted_ ? std::move(print.stream) : std::string(), output_};
  AddPrintEvent(halves == 1 ? "started:half" : "started:full");
  if (printMs_ == 0) FinishPrint();
}

void EmulatedPrinter::ChangeCounter(const std::string& name, long long change) {
  std::string& text = texts_.at(name);
  unsigned long long value = 0;
  if (!ReadCounter(text, &value)) return;
  const long long changed = static_cast<long long>(value) + change;
  text = CounterText(changed < 0 ? 0 : static_cast<unsigned long long>(changed), text.size());
}

void EmulatedPrinter::FinishPrint() {
  printing_ = false;
  bool ribbonEnd = false;
  unsigned long long halves = 0;
  ChangeCounter("remainhalf", -printHalves_);
  if (ReadCounter(texts_.at("remainhalf"), &halves)) {
    std::string& remain = texts_.at("remain");
    remain = CounterText(halves / 2, remain.size());
    ribbonEnd = halves == 0;
  }
  ChangeCounter("total", 1);
  if (statusFromPrint_) status_ = ribbonEnd ? kStatusRibbonEnd : statusBeforePrint_;
  statusFromPrint_ = false;
  AddPrintEvent(printHalves_ == 1 ? "printed:half" : "printed:full");
  if (renderWhenPrinted_) toRender_.push_back(std::move(printToRender_));
  printToRender_ = PrintToRender();
  renderWhenPrinted_ = false;
}

bool EmulatedPrinter::Printing(Clock::time_point* end) const {
  if (printing_) *end = printEnd_;
  return printing_;
}

void EmulatedPrinter::FinishPrintIfDue(Clock::time_point now) {
  if (printing_ && now >= printEnd_) FinishPrint();
}

std::vector<PrintToRender> EmulatedPrinter::TakePrintsToRender() {
  std::vector<PrintToRender> prints;
  prints.swap(toRender_);
  return prints;
}

}  // namespace kv71p::emulator
