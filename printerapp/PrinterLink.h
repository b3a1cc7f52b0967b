// The printer application's way to one printer: what it has loaded, and
// where each composed print goes. This is the seam the USB delivery fills
// (finding the printer by its serial number, holding its lock, sending each
// print with status waiting and resending); until then a printer is PAPPL's
// output device (DeviceLink).
#pragma once

#include <vector>

#include "filter/PerJobValues.h"

namespace kv71p::printerapp {

enum class SendResult {
  Sent,
  Failed,    // the print did not reach the printer; the job stops
  Canceled,  // the job was cancelled while the print waited or went out
};

class PrinterLink {
 public:
  virtual ~PrinterLink() = default;

  // The media loaded in the printer, as the filter reads it from the
  // per-job file: it decides the layout and the first-alone rule. Asked
  // once, when a job starts.
  virtual filter::PerJobValues LoadedMedia() = 0;

  // Sends one whole print: its finishing commands, "MULTICUT", the three
  // planes and "START", as the filter writes them.
  virtual SendResult SendPrint(const std::vector<unsigned char>& print) = 0;
};

}  // namespace kv71p::printerapp
