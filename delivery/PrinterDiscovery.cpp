#include "delivery/PrinterDiscovery.h"

#include <memory>

#include "common/SerialNumber.h"
#include "delivery/PrinterLink.h"
#include "service/StatusQueries.h"

namespace kv71p::delivery {

namespace {

// The first wait for the bus's arrivals, and each further one.
constexpr int kFirstWaitMs = 500;
constexpr int kFurtherWaitMs = 100;
const service::TransferTimeouts kQueryTimeouts{1000, 2000};

}  // namespace

Identification IdentifyPrinter(UsbDevice& device, PrinterIdentity* printer,
                               const DiscoveryNote& note) {
  if (device.OpenSeize() != kUsbSuccess) {
    note("A printer cannot be opened; not listed.");
    return Identification::Busy;
  }
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  UsbInterface* itf = device.GetInterfaces(&interfaces) == kUsbSuccess
                          ? FindPrinterInterface(interfaces)
                          : nullptr;
  Identification result = Identification::Busy;
  if (itf != nullptr && itf->OpenSeize() == kUsbSuccess) {
    char serial[kSerialSize];
    SerialRefusal refusal = SerialRefusal::None;
    if (service::GetSerialNo(itf, serial, sizeof serial, kQueryTimeouts, &refusal) >= 0 &&
        IsUsableSerialNumber(serial)) {
      printer->serialNo = serial;
      ReadDeviceIdentity(itf, printer);
      result = Identification::Identified;
    } else {
      note(std::string("A printer's serial number is refused (") +
           (refusal != SerialRefusal::None ? SerialRefusalText(refusal) : "none read") +
           "); not listed.");
      result = Identification::Refused;
    }
    itf->Close();
  } else {
    note("A printer's interface cannot be claimed; not listed.");
  }
  interfaces.clear();
  device.Close();
  return result;
}

std::vector<PrinterIdentity> ListAttachedPrinters(UsbBus& bus, uint16_t vendorId,
                                                  uint16_t productId, const DiscoveryNote& note) {
  std::vector<PrinterIdentity> printers;
  if (bus.StartWatching(vendorId, productId) != kUsbSuccess) {
    note("The USB bus cannot be watched; no printers listed.");
    return printers;
  }
  // The printers attached now arrive with the first waits.
  std::vector<std::shared_ptr<UsbDevice>> devices;
  std::vector<UsbEvent> events;
  for (int wait = kFirstWaitMs; bus.WaitForEvents(wait, &events) == kUsbSuccess && !events.empty();
       wait = kFurtherWaitMs)
    for (const UsbEvent& event : events)
      if (event.kind == UsbEventKind::Arrived) devices.push_back(event.device);

  for (const auto& device : devices) {
    PrinterIdentity printer;
    if (IdentifyPrinter(*device, &printer, note) == Identification::Identified)
      printers.push_back(printer);
  }
  return printers;
}

}  // namespace kv71p::delivery
