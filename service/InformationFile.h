// Writing the printer information file "KV-71P_<serial>.log" in the cache
// folder, and scanning for the flag files with which other programs ask for
// fresh data (common/PrinterFiles.h).
#pragma once

#include <cstdint>
#include <string>

#include "service/ThData.h"
#include "service/UsbTransport.h"

namespace kv71p::service {

// The full writer: queries the printer on `interface` (opened once more
// for this writing and closed again) and replaces the record's information
// file. Nothing is written when the interface cannot be opened or the
// serial number cannot name a file.
void WriteFile(UsbInterface* interface, thdata* record,
               const TransferTimeouts& timeouts = TransferTimeouts());

// The placeholder writer for a printer that is gone: status 99999,
// message 6, every other value empty. Does nothing for a null serial number.
void WriteFile(const char* serialNo);

// Scans the cache folder for this serial number's flag files (a name that
// begins with a flag name counts as that flag), removes the one-shot ones
// and returns the bits found; 0 when the folder cannot be opened.
uint32_t pdeFileCheck(const char* serialNo);

}  // namespace kv71p::service
