// One pass of a printer's worker over one interface of the opened printer.
#pragma once

#include "ThData.h"
#include "UsbInterface.h"

enum : unsigned { kSerialRetrySleepSeconds = 1 };  // between the two serial number reads

// Reads the serial number and the model name while they are unknown,
// has the printer's queue registered once both are known, and writes the
// information file. Prints "serial <serial>" once the serial number is
// known. An interface that cannot be opened is passed over silently.
void dealWithInterface(kv71p::UsbInterface* interface, thdata* record);
