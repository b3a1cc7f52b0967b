// The printer link of a job on a KV-71P printer over USB, built on the
// suite's delivery as the CUPS backend uses it: the job holds the
// printer's hand-over lock from Prepare to its end (the status service and
// the backend leave the printer alone meanwhile), waits while the printer
// is absent or cannot print, resends a print that was not printed and never
// prints one twice. It waits for an absent printer as long as the job lives,
// as PAPPL waits for a device that cannot be opened.
#pragma once

#include <string>

#include "delivery/PrintDelivery.h"
#include "delivery/PrinterLink.h"
#include "delivery/PrinterLock.h"
#include "printerapp/JobObserver.h"
#include "printerapp/PrinterLink.h"

namespace kv71p::printerapp {

class UsbJobLink : public PrinterLink {
 public:
  // The printer with `serialNo` (the suite's form); `observer` outlives the link.
  UsbJobLink(const std::string& serialNo, JobObserver& observer);

  // Takes the lock (waiting while another program holds it), opens the
  // printer (waiting for it) and reads it: its loaded media, status and
  // supplies.
  StepResult Prepare(filter::PerJobValues* loadedMedia) override;
  StepResult SendPrint(const delivery::Print& print) override;

 private:
  // The step's result for a delivery that ended with `result`, with the
  // job's message saying why it failed.
  StepResult EndOfStep(delivery::DeliveryResult result);

  std::string serialNo_;
  JobObserver& observer_;
  delivery::PrinterLock lock_;
  delivery::PrinterLink link_;
  delivery::PrintDelivery delivery_;
};

}  // namespace kv71p::printerapp
