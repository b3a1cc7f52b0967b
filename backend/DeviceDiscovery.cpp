#include "backend/DeviceDiscovery.h"

#include <cups/backend.h>

#include <memory>
#include <vector>

#include "backend/CupsMessages.h"
#include "common/DeviceUri.h"
#include "common/Kv71pConfig.h"
#include "common/SerialNumber.h"
#include "delivery/PrinterLink.h"
#include "platform/usb/UsbBus.h"
#include "service/StatusQueries.h"

namespace kv71p::backend {

namespace {

// The first wait for the bus's arrivals, and each further one.
constexpr int kFirstWaitMs = 500;
constexpr int kFurtherWaitMs = 100;
const service::TransferTimeouts kQueryTimeouts{1000, 2000};

// Opens `device`, asks its serial number and device ID, and releases it.
// False when it cannot be opened or its serial number is refused or empty.
bool ReadPrinter(UsbDevice& device, delivery::PrinterIdentity* printer) {
  if (device.OpenSeize() != kUsbSuccess) {
    Debug("A printer cannot be opened; not listed.");
    return false;
  }
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  UsbInterface* itf = device.GetInterfaces(&interfaces) == kUsbSuccess
                          ? delivery::FindPrinterInterface(interfaces)
                          : nullptr;
  bool listed = false;
  if (itf != nullptr && itf->OpenSeize() == kUsbSuccess) {
    char serial[kSerialSize];
    SerialRefusal refusal = SerialRefusal::None;
    if (service::GetSerialNo(itf, serial, sizeof serial, kQueryTimeouts, &refusal) >= 0 &&
        IsUsableSerialNumber(serial)) {
      printer->serialNo = serial;
      delivery::ReadDeviceIdentity(itf, printer);
      listed = true;
    } else {
      Debug(std::string("A printer's serial number is refused (") +
            (refusal != SerialRefusal::None ? SerialRefusalText(refusal) : "none read") +
            "); not listed.");
    }
    itf->Close();
  } else {
    Debug("A printer's interface cannot be claimed; not listed.");
  }
  interfaces.clear();
  device.Close();
  return listed;
}

}  // namespace

int ListPrinters() {
  std::unique_ptr<UsbBus> bus = CreateUsbBus();
  if (bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) != kUsbSuccess) {
    Debug("The USB bus cannot be watched; no printers listed.");
    return CUPS_BACKEND_OK;
  }
  // The printers attached now arrive with the first waits.
  std::vector<std::shared_ptr<UsbDevice>> devices;
  std::vector<UsbEvent> events;
  for (int wait = kFirstWaitMs; bus->WaitForEvents(wait, &events) == kUsbSuccess && !events.empty();
       wait = kFurtherWaitMs)
    for (const UsbEvent& event : events)
      if (event.kind == UsbEventKind::Arrived) devices.push_back(event.device);

  for (const auto& device : devices) {
    delivery::PrinterIdentity printer;
    if (!ReadPrinter(*device, &printer)) continue;
    const std::string uri = DeviceUriOf(printer.serialNo);
    const std::string info = std::string(kMakeAndModel) + " (" + printer.serialNo + ")";
    cupsBackendReport("direct", uri.c_str(), kMakeAndModel, info.c_str(), printer.deviceId.c_str(),
                      "");
  }
  return CUPS_BACKEND_OK;
}

}  // namespace kv71p::backend
