// One pass of a printer's worker over one interface of the opened printer.
#pragma once

#include "platform/usb/UsbInterface.h"
#include "service/PrinterRecord.h"
#include "service/WorkerSettings.h"

namespace kv71p::service {

// Reads the serial number and the model name while they are unknown, has
// the printer's queue registered once both are known, and writes the
// information file. Prints "serial <serial>" once the serial number is
// known. An interface that cannot be opened is passed over silently.
void PassOverInterface(kv71p::UsbInterface* interface, PrinterRecord* record,
                       const WorkerSettings& settings = WorkerSettings());

}  // namespace kv71p::service
