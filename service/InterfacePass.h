// One pass of a printer's worker over one interface of the opened printer.
#pragma once

#include "platform/usb/UsbInterface.h"
#include "service/ThData.h"
#include "service/UsbTransport.h"

namespace kv71p::service {

enum : unsigned { kSerialRetrySleepSeconds = 1 };  // between the two serial number reads

// Reads the serial number and the model name while they are unknown,
// has the printer's queue registered once both are known, and writes the
// information file. Prints "serial <serial>" once the serial number is
// known. An interface that cannot be opened is passed over silently.
// `timeouts` bound every query's transfers.
void dealWithInterface(kv71p::UsbInterface* interface, thdata* record,
                       const TransferTimeouts& timeouts = TransferTimeouts());

}  // namespace kv71p::service
