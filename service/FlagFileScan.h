// The flag files with which other programs ask the owner of a printer for
// fresh data (common/PrinterFiles.h).
#pragma once

#include <cstdint>
#include <string>

namespace kv71p::service {

// Scans the cache folder for this serial number's flag files (a name that
// begins with a flag name counts as that flag), removes the one-shot ones
// and returns the bits found; 0 when the folder cannot be opened.
uint32_t ScanFlagFiles(const std::string& serialNo);

}  // namespace kv71p::service
