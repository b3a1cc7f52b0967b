// The queues the launcher serves, recognised by their device URI, and the
// printer's serial number at the URI's end.
#pragma once

#include <string>

namespace kv71p::watchlauncher {

// True when `uri` is the device URI of a KV-71P queue of the status
// service: it contains "KV-71P", "KORVALE", "vexbackend" and "serial="
// (exact case, anywhere) and something follows the first "serial=". That
// rest is the serial number; it must also be usable in a file name of the
// cache folder (IsUsableSerialNumber), otherwise the URI names no printer
// of ours. `serial` receives it on success.
bool SerialNumberFromDeviceUri(const std::string& uri, std::string* serial);

// True when `serial` can name files in the cache folder and reach the
// status window: valid UTF-8 without control characters, without "/" and
// without "..". The status service never registers any other.
bool IsUsableSerialNumber(const std::string& serial);

}  // namespace kv71p::watchlauncher
