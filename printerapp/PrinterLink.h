// The printer application's way to one printer for one job: it gets the
// printer ready and tells what media it holds, then takes each composed
// print. UsbJobLink fills it with the suite's USB delivery (the printer
// found by its serial number, its hand-over lock held for the job, each
// print sent with status waiting and resending).
#pragma once

#include "delivery/Print.h"
#include "filter/PerJobValues.h"

namespace kv71p::printerapp {

enum class StepResult {
  Done,
  Failed,    // the printer cannot be reached or would not print; the job stops
  Canceled,  // the job was cancelled while it waited or sent
};

class PrinterLink {
 public:
  virtual ~PrinterLink() = default;

  // Gets the printer ready for the job and reads the media loaded in it,
  // as the filter reads it from the per-job file: it decides the layout and
  // the first-alone rule. Called once, before the first print.
  virtual StepResult Prepare(filter::PerJobValues* loadedMedia) = 0;

  // Sends one whole print: its finishing commands, "MULTICUT", the three
  // planes and "START", each block as the filter writes it.
  virtual StepResult SendPrint(const delivery::Print& print) = 0;
};

}  // namespace kv71p::printerapp
