// The soak's printers: each one a serial number that stays, plugged into
// the emulator as a new emulated device (a new id) every time it is
// attached. The pool remembers every id a printer had, so the print events
// of a printer can be counted across its plugs.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/service/EmulatorProcess.h"

namespace kv71p::soak {

// The print events of one emulated device, counted by kind.
struct PrintCounts {
  int started = 0;    // started:half / started:full
  int printed = 0;    // printed:half / printed:full
  int discarded = 0;  // discarded:*
  // A print started and not yet printed (a detached printer goes on printing).
  bool Printing() const { return started > printed; }
};

// Counts the words of a "prints" reply ("OK started:full printed:full").
PrintCounts CountPrintEvents(const std::string& reply);

class PrinterPool {
 public:
  PrinterPool(test::EmulatorProcess& emulator, int printers);

  int size() const { return static_cast<int>(printers_.size()); }
  const std::string& Serial(int index) const { return printers_[index].serial; }
  // The emulator id of the printer while attached, 0 while detached.
  unsigned CurrentId(int index) const { return printers_[index].current; }
  bool Attached(int index) const { return CurrentId(index) != 0; }
  // Every id the printer had, oldest first.
  const std::vector<unsigned>& Ids(int index) const { return printers_[index].ids; }
  int attachCount() const { return attachCount_; }
  // How many printers are attached now.
  int AttachedCount() const;

  // Attaches the printer (its serial number and these properties); false
  // when the emulator refused.
  bool Attach(int index, const std::vector<std::string>& properties = {});
  bool Detach(int index);
  // The emulator reports the device detached (an injected unplug-on fired):
  // the pool takes note and returns true.
  bool LeftByItself(int index);

  PrintCounts Counts(unsigned id) { return CountPrintEvents(emulator_.Prints(id)); }
  // The properties "get" reports for a device (also once detached).
  std::map<std::string, std::string> Properties(unsigned id);
  bool Set(int index, const std::vector<std::string>& properties) {
    return Attached(index) && emulator_.Set(CurrentId(index), properties);
  }

 private:
  struct Printer {
    std::string serial;
    unsigned current = 0;
    std::vector<unsigned> ids;
  };
  test::EmulatorProcess& emulator_;
  std::vector<Printer> printers_;
  int attachCount_ = 0;
};

}  // namespace kv71p::soak
