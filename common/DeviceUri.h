// The print queues of the suite and their device URIs
// "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=<serial>": how the service
// builds them and how every program recognises them and finds the printer's
// serial number in them (docs/printer-files.md).
#pragma once

#include <string>

namespace kv71p {

// The first queue's name; later printers get "<base>_<n>".
inline constexpr char kQueueBaseName[] = "KORVALE_SYSTEMS_KV_71P";
// The printer's make and model: the queue's description ("<it> <n>" for
// queue n) and the name under which it is listed.
inline constexpr char kMakeAndModel[] = "KORVALE SYSTEMS KV-71P";
inline constexpr char kDeviceUriScheme[] = "vexbackend";
// Everything of a device URI before the serial number.
inline constexpr char kDeviceUriPrefix[] = "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=";

// The device URI of the printer with `serialNo`.
std::string DeviceUriOf(const std::string& serialNo);

// The text behind the first "serial=" of `uri`; false when there is no
// "serial=" or nothing follows it.
bool SerialTextOfUri(const std::string& uri, std::string* serialText);

// True when `uri` is a device URI of the suite's queues: it contains
// "KV-71P", "KORVALE" and "vexbackend" (exact case, anywhere) and a
// non-empty serial text.
bool IsKv71pDeviceUri(const std::string& uri);

// True when `uri` is a device URI of the suite whose serial text is exactly
// `serialNo` (not empty).
bool IsDeviceUriOf(const std::string& uri, const std::string& serialNo);

// The serial number of a device URI of the suite, when it can name files in
// the cache folder (IsUsableSerialNumber): otherwise the URI names no
// printer of the suite. False, and `serialNo` untouched, when it does not.
bool SerialNumberOfDeviceUri(const std::string& uri, std::string* serialNo);

}  // namespace kv71p
