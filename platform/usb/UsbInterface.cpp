#include "platform/usb/UsbInterface.h"

namespace kv71p {

int UsbInterface::OpenSeize() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (opens_ > 0) {
    ++opens_;
    return kUsbSuccess;
  }
  const int r = Claim();
  if (r == kUsbSuccess) opens_ = 1;
  return r;
}

int UsbInterface::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (opens_ == 0) return kUsbErrorNotFound;
  if (--opens_ > 0) return kUsbSuccess;
  return Release();
}

int UsbInterface::OpenCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opens_;
}

bool UsbInterface::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opens_ > 0;
}

int UsbInterface::GetConfigurationValue(uint8_t* value) const {
  if (value == nullptr) return kUsbErrorInvalidParam;
  *value = info_.configurationValue;
  return kUsbSuccess;
}

int UsbInterface::GetInterfaceNumber(uint8_t* number) const {
  if (number == nullptr) return kUsbErrorInvalidParam;
  *number = info_.number;
  return kUsbSuccess;
}

int UsbInterface::ControlRequest(uint8_t requestType, uint8_t request, uint16_t value,
                                 uint16_t index, unsigned char* data, uint16_t length,
                                 int* lengthDone, unsigned timeoutMs) {
  if (lengthDone != nullptr) *lengthDone = 0;
  if (lengthDone == nullptr || (data == nullptr && length > 0)) return kUsbErrorInvalidParam;
  if (!IsOpen()) return kUsbErrorAccess;
  return DoControl(requestType, request, value, index, data, length, lengthDone, timeoutMs);
}

int UsbInterface::BulkWrite(uint8_t pipe, const unsigned char* data, int count, int* transferred,
                            unsigned timeoutMs) {
  if (transferred != nullptr) *transferred = 0;
  uint8_t endpoint = 0;
  if (transferred == nullptr || data == nullptr || count < 0 || pipe != kUsbPipeOut)
    return kUsbErrorInvalidParam;
  if (!FindPipeEndpoint(info_, pipe, &endpoint)) return kUsbErrorNotFound;
  if (!IsOpen()) return kUsbErrorAccess;
  return DoBulkOut(endpoint, data, count, transferred, timeoutMs);
}

int UsbInterface::BulkRead(uint8_t pipe, unsigned char* data, int count, int* transferred,
                           unsigned timeoutMs) {
  if (transferred != nullptr) *transferred = 0;
  uint8_t endpoint = 0;
  if (transferred == nullptr || data == nullptr || count < 0 || pipe != kUsbPipeIn)
    return kUsbErrorInvalidParam;
  if (!FindPipeEndpoint(info_, pipe, &endpoint)) return kUsbErrorNotFound;
  if (!IsOpen()) return kUsbErrorAccess;
  return DoBulkIn(endpoint, data, count, transferred, timeoutMs);
}

}  // namespace kv71p
