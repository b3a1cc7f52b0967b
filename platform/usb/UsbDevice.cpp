#include "platform/usb/UsbDevice.h"

namespace kv71p {

int UsbDevice::OpenSeize() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (opens_ > 0) {
    ++opens_;
    return kUsbSuccess;
  }
  const int r = DoOpen();
  if (r == kUsbSuccess) opens_ = 1;
  return r;
}

int UsbDevice::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (opens_ == 0) return kUsbErrorNotFound;
  if (--opens_ > 0) return kUsbSuccess;
  return DoClose();
}

int UsbDevice::GetInterfaces(std::vector<std::unique_ptr<UsbInterface>>* interfaces) {
  if (interfaces == nullptr) return kUsbErrorInvalidParam;
  interfaces->clear();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (opens_ == 0) return kUsbErrorAccess;
  }
  return DoGetInterfaces(interfaces);
}

}  // namespace kv71p
