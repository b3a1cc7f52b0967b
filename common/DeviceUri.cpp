#include "common/DeviceUri.h"

#include "common/SerialNumber.h"

namespace kv71p {

namespace {

constexpr char kSerialKey[] = "serial=";

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

std::string DeviceUriOf(const std::string& serialNo) { return kDeviceUriPrefix + serialNo; }

bool SerialTextOfUri(const std::string& uri, std::string* serialText) {
  const size_t key = uri.find(kSerialKey);
  if (key == std::string::npos || key + sizeof kSerialKey - 1 >= uri.size()) return false;
  *serialText = uri.substr(key + sizeof kSerialKey - 1);
  return true;
}

bool IsKv71pDeviceUri(const std::string& uri) {
  std::string serialText;
  return Contains(uri, "KV-71P") && Contains(uri, "KORVALE") && Contains(uri, kDeviceUriScheme) &&
         SerialTextOfUri(uri, &serialText);
}

bool IsDeviceUriOf(const std::string& uri, const std::string& serialNo) {
  std::string serialText;
  return IsKv71pDeviceUri(uri) && SerialTextOfUri(uri, &serialText) && serialText == serialNo;
}

bool SerialNumberOfDeviceUri(const std::string& uri, std::string* serialNo) {
  std::string serialText;
  if (!IsKv71pDeviceUri(uri) || !SerialTextOfUri(uri, &serialText) ||
      !IsUsableSerialNumber(serialText))
    return false;
  *serialNo = std::move(serialText);
  return true;
}

}  // namespace kv71p
