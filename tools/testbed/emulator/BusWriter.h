// Sends a file to an emulated printer the way a host's print job does: over
// the emulated USB bus, in bulk OUT transfers of 64 KiB, and reports how
// fast it went. For trying prints by hand and for measuring the bus.
#pragma once

#include <string>

namespace kv71p::emulator {

// Writes `file` to printer `id` of the emulator at `socketPath` (a printer
// with the build's vendor and product id). Prints the bytes sent and the
// rate on standard output; 0 on success, 1 with a message on standard
// error otherwise.
int WriteFileToPrinter(const std::string& socketPath, unsigned long id, const std::string& file);

}  // namespace kv71p::emulator
