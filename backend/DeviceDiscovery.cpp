#include "backend/DeviceDiscovery.h"

#include <cups/backend.h>

#include "backend/CupsMessages.h"
#include "common/DeviceUri.h"
#include "common/Kv71pConfig.h"
#include "delivery/PrinterDiscovery.h"

namespace kv71p::backend {

int ListPrinters() {
  const auto printers =
      delivery::ListAttachedPrinters(*CreateUsbBus(), KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID,
                                     [](const std::string& note) { Debug(note); });
  for (const delivery::PrinterIdentity& printer : printers) {
    const std::string uri = DeviceUriOf(printer.serialNo);
    const std::string info = std::string(kMakeAndModel) + " (" + printer.serialNo + ")";
    cupsBackendReport("direct", uri.c_str(), kMakeAndModel, info.c_str(), printer.deviceId.c_str(),
                      "");
  }
  return CUPS_BACKEND_OK;
}

}  // namespace kv71p::backend
