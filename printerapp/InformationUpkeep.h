// The information file of an attached printer while no job holds it, kept
// as the status service keeps it (and with its writer), so the status
// window works with the application alone: written when the printer
// arrives and whenever a flag file asks, the placeholder when it leaves.
// A pass leaves the printer alone while another holder has its hand-over
// lock (a job answers the flag files itself meanwhile); a service that
// runs beside the application takes its turns under the same lock.
#pragma once

#include "delivery/DeliveryObserver.h"
#include "platform/usb/UsbDevice.h"

namespace kv71p::printerapp {

class InformationUpkeep {
 public:
  explicit InformationUpkeep(delivery::PrinterIdentity printer) : printer_(std::move(printer)) {}

  // One pass over the attached `device`.
  void Pass(UsbDevice& device);
  // The printer left: its file says so until it returns.
  void Left();

 private:
  delivery::PrinterIdentity printer_;
  bool written_ = false;  // the file was written since the printer arrived
};

}  // namespace kv71p::printerapp
