#include "apps/watchlauncher/DeviceUri.h"

#include "apps/printwatch/Utf8Text.h"

namespace kv71p::watchlauncher {

namespace {

constexpr const char* kSerialKey = "serial=";

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

bool IsUsableSerialNumber(const std::string& serial) {
  if (serial.empty() || Contains(serial, "/") || Contains(serial, "..")) return false;
  for (unsigned char c : serial) {
    if (c < 0x20 || c == 0x7f) return false;
  }
  return printwatch::IsValidUtf8(serial);
}

bool SerialNumberFromDeviceUri(const std::string& uri, std::string* serial) {
  if (!Contains(uri, "KV-71P") || !Contains(uri, "KORVALE") || !Contains(uri, "vexbackend")) {
    return false;
  }
  const size_t key = uri.find(kSerialKey);
  if (key == std::string::npos) return false;
  std::string rest = uri.substr(key + std::char_traits<char>::length(kSerialKey));
  if (!IsUsableSerialNumber(rest)) return false;
  *serial = std::move(rest);
  return true;
}

}  // namespace kv71p::watchlauncher
