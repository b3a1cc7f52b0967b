// Which KV-71P printers are attached: the bus tells printers apart only by
// asking them, so each one is opened for its serial number and device ID
// and released at once. Shared by the backend's listing for CUPS and the
// printer application's device listing and hot-plug.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "delivery/DeliveryObserver.h"
#include "platform/usb/UsbBus.h"

namespace kv71p::delivery {

enum class Identification {
  Identified,  // serial number (usable by the suite) and device ID read
  Busy,        // it cannot be opened or claimed now (another program holds it)
  Refused,     // it answered no usable serial number
};

// Why a printer was not identified, for a log line.
using DiscoveryNote = std::function<void(const std::string&)>;

// Opens `device`, asks its serial number and device ID, and releases it.
Identification IdentifyPrinter(UsbDevice& device, PrinterIdentity* printer,
                               const DiscoveryNote& note);

// The printers with this vendor and product id attached to `bus` now, in
// arrival order, whose serial numbers the suite accepts. A printer that
// another program holds cannot be asked and is not listed.
std::vector<PrinterIdentity> ListAttachedPrinters(UsbBus& bus, uint16_t vendorId,
                                                  uint16_t productId, const DiscoveryNote& note);

}  // namespace kv71p::delivery
