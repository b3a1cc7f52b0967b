#include "service/DeviceId.h"

#include <algorithm>
#include <vector>

#include "common/SerialNumber.h"

namespace kv71p::service {

namespace {

// The printer class's GET_DEVICE_ID: device to host, class request,
// recipient interface.
constexpr uint8_t kRequestTypeClassInterfaceIn = 0xA1;
constexpr uint8_t kRequestGetDeviceId = 0;
// The first answer holds a device ID whose length field is at most this.
constexpr unsigned kLongestFirstId = 254;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string TrimEnd(const std::string& s) {
  size_t end = s.size();
  while (end > 0 && IsSpace(s[end - 1])) --end;
  return s.substr(0, end);
}

std::string Trim(const std::string& s) {
  size_t begin = 0;
  while (begin < s.size() && IsSpace(s[begin])) ++begin;
  return TrimEnd(s.substr(begin));
}

bool StartsWithIgnoringCase(const std::string& s, const char* key) {
  size_t i = 0;
  for (; key[i] != '\0'; ++i) {
    if (i >= s.size()) return false;
    char a = s[i], b = key[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

// The value of `key` in one field, as FindModelName describes.
bool ValueOfKey(const std::string& field, const char* key, std::string* value) {
  const size_t keyLength = std::char_traits<char>::length(key);
  if (StartsWithIgnoringCase(field, key)) {
    *value = Trim(field.substr(keyLength));
    return true;
  }
  const std::string trimmed = Trim(field);
  if (StartsWithIgnoringCase(trimmed, key)) {
    *value = trimmed.substr(keyLength);
    return true;
  }
  return false;
}

int RequestDeviceId(kv71p::UsbInterface* interface, uint16_t value, uint16_t index,
                    uint16_t length, std::vector<unsigned char>* answer, int* received) {
  answer->assign(length, 0);
  return interface->ControlRequest(kRequestTypeClassInterfaceIn, kRequestGetDeviceId, value,
                                   index, answer->data(), length, received, kDeviceIdTimeoutMs);
}

}  // namespace

bool DeviceIdTextFromAnswer(const unsigned char* answer, size_t received, unsigned minimumField,
                            std::string* text) {
  text->clear();
  if (answer == nullptr || received < 2) return false;
  const unsigned field = (static_cast<unsigned>(answer[0]) << 8) | answer[1];
  if (field < minimumField) return false;
  const size_t count = std::min<size_t>(field - 2, received - 2);
  std::string bytes(reinterpret_cast<const char*>(answer) + 2, count);
  if (!IsValidUtf8(bytes)) return false;
  *text = std::move(bytes);
  return true;
}

bool ReadDeviceIdText(kv71p::UsbInterface* interface, uint8_t configurationValue,
                      uint8_t interfaceNumber, std::string* text) {
  text->clear();
  if (interface == nullptr) return false;
  const uint16_t value = static_cast<uint8_t>(configurationValue - 1);
  const uint16_t index = static_cast<uint16_t>(interfaceNumber << 8);
  std::vector<unsigned char> answer;
  int received = 0;
  if (RequestDeviceId(interface, value, index, kDeviceIdFirstLength, &answer, &received) !=
          kv71p::kUsbSuccess ||
      received < 2)
    return false;
  const unsigned field = (static_cast<unsigned>(answer[0]) << 8) | answer[1];
  if (field <= kLongestFirstId)
    return DeviceIdTextFromAnswer(answer.data(), static_cast<size_t>(received), 3, text);

  // Longer than the first answer could hold: ask again for all of it. The
  // earlier buffer is released first.
  std::vector<unsigned char>().swap(answer);
  if (RequestDeviceId(interface, value, index, static_cast<uint16_t>(field), &answer,
                      &received) != kv71p::kUsbSuccess ||
      received < 1)
    return false;
  return DeviceIdTextFromAnswer(answer.data(), static_cast<size_t>(received), 2, text);
}

bool FindModelName(const std::string& deviceId, std::string* model) {
  model->clear();
  size_t start = 0;
  for (;;) {
    const size_t end = deviceId.find(';', start);
    const std::string field =
        deviceId.substr(start, end == std::string::npos ? std::string::npos : end - start);
    for (const char* key : {"MDL:", "MODEL:"})
      if (ValueOfKey(field, key, model)) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

}  // namespace kv71p::service
