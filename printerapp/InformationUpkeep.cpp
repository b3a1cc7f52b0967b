#include "printerapp/InformationUpkeep.h"

#include <memory>
#include <vector>

#include "delivery/PrinterLink.h"
#include "delivery/PrinterLock.h"
#include "service/FlagFileScan.h"
#include "service/InformationFile.h"

namespace kv71p::printerapp {

void InformationUpkeep::Pass(UsbDevice& device) {
  delivery::PrinterLock lock(printer_.serialNo);
  if (lock.TryTake() == delivery::LockAttempt::HeldElsewhere) return;
  const uint32_t flagBits = service::ScanFlagFiles(printer_.serialNo);
  if (flagBits == 0 && written_) return;
  if (device.OpenSeize() != kUsbSuccess) return;
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  UsbInterface* itf =
      device.GetInterfaces(&interfaces) == kUsbSuccess ? delivery::FindPrinterInterface(interfaces) : nullptr;
  if (itf != nullptr && itf->OpenSeize() == kUsbSuccess) {
    written_ = service::WriteInformationFile(itf, printer_.serialNo, printer_.model, flagBits) || written_;
    itf->Close();
  }
  interfaces.clear();
  device.Close();
}

void InformationUpkeep::Left() {
  service::WritePlaceholderFile(printer_.serialNo);
  written_ = false;
}

}  // namespace kv71p::printerapp
