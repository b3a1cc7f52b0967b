// The name under which the print system shows the printer of a queue.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/cups/CupsDestinations.h"

namespace kv71p::watchlauncher {

// Device URIs and names of the printer list are copied into text buffers
// of this size, terminating zero included: 254 bytes of text at most.
constexpr size_t kTextBufferSize = 255;

// Looks through `printers` in order for entries whose device URI equals
// `uri` exactly and takes each one's name, so when several printers carry
// the URI the last one wins. A URI that does not fit the buffer, or is not
// valid UTF-8, compares as the empty text; a name that does not fit, or is
// not valid UTF-8, is passed over. Returns false, leaving `name` alone,
// when no entry gave a name.
bool PrinterNameForDeviceUri(const std::vector<CupsDestination>& printers, const std::string& uri,
                             std::string* name);

}  // namespace kv71p::watchlauncher
