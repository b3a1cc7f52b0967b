// A printer object's KV-71P on the USB bus, as the driver keeps it beside
// PAPPL's printer (its driver extension): the serial number from the
// device URI, a place in the registry for as long as the object lives, and
// the idle reading for the status callback.
#pragma once

#include <mutex>
#include <string>

#include "delivery/PrinterLink.h"
#include "printerapp/PrinterReading.h"
#include "printerapp/PrinterRegistry.h"

namespace kv71p::printerapp {

enum class IdleReading {
  Read,     // the printer answered: the reading holds its state
  Absent,   // it is not on the bus, refuses to be opened or does not answer
  Skipped,  // it is in use: a job of this or another program, or the service
};

class UsbPrinter {
 public:
  UsbPrinter(std::string serialNo, PrinterRegistry& registry);
  ~UsbPrinter();
  UsbPrinter(const UsbPrinter&) = delete;
  UsbPrinter& operator=(const UsbPrinter&) = delete;

  const std::string& serialNo() const { return serialNo_; }

  // Reads the printer while nobody uses it: never waits for its hand-over
  // lock or for another reading, and lets the printer go at once. The link
  // stays, so the printer is found again without asking every printer on
  // the bus for its serial number.
  IdleReading ReadWhenIdle(PrinterReading* reading);

 private:
  std::string serialNo_;
  PrinterRegistry& registry_;
  std::mutex reading_;
  delivery::PrinterLink link_;
};

}  // namespace kv71p::printerapp
