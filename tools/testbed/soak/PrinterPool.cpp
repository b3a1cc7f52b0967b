#include "tools/testbed/soak/PrinterPool.h"

#include <cstdio>

#include "platform/usb/EmulatorWire.h"

namespace kv71p::soak {

PrintCounts CountPrintEvents(const std::string& reply) {
  PrintCounts counts;
  std::vector<std::string> words;
  if (!wire::SplitWords(reply, &words) || words.empty() || words[0] != "OK") return counts;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string kind = words[i].substr(0, words[i].find(':'));
    if (kind == "started") ++counts.started;
    if (kind == "printed") ++counts.printed;
    if (kind == "discarded") ++counts.discarded;
  }
  return counts;
}

PrinterPool::PrinterPool(test::EmulatorProcess& emulator, int printers) : emulator_(emulator) {
  for (int i = 1; i <= printers; ++i) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "SOAK%02d", i);
    printers_.push_back({serial, 0, {}});
  }
}

bool PrinterPool::Attach(int index, const std::vector<std::string>& properties) {
  Printer& printer = printers_[index];
  if (printer.current != 0) return true;
  std::vector<std::string> all = {"serial=" + printer.serial};
  all.insert(all.end(), properties.begin(), properties.end());
  const unsigned id = emulator_.Attach(all);
  if (id == 0) return false;
  printer.current = id;
  printer.ids.push_back(id);
  ++attachCount_;
  return true;
}

int PrinterPool::AttachedCount() const {
  int count = 0;
  for (const Printer& printer : printers_) count += printer.current != 0 ? 1 : 0;
  return count;
}

bool PrinterPool::Detach(int index) {
  Printer& printer = printers_[index];
  if (printer.current == 0) return true;
  const bool done = emulator_.Detach(printer.current);
  printer.current = 0;
  return done;
}

bool PrinterPool::LeftByItself(int index) {
  Printer& printer = printers_[index];
  if (printer.current == 0 || Properties(printer.current)["attached"] != "no") return false;
  printer.current = 0;
  return true;
}

std::map<std::string, std::string> PrinterPool::Properties(unsigned id) {
  std::map<std::string, std::string> properties;
  std::vector<std::string> words;
  if (!wire::SplitWords(emulator_.Request("get " + std::to_string(id)), &words)) return properties;
  for (const std::string& word : words) {
    std::string name, value;
    if (wire::SplitNameValue(word, &name, &value)) properties[name] = value;
  }
  return properties;
}

}  // namespace kv71p::soak
