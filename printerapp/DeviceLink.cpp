#include "printerapp/DeviceLink.h"

namespace kv71p::printerapp {

SendResult DeviceLink::SendPrint(const std::vector<unsigned char>& print) {
  const ssize_t written = papplDeviceWrite(device_, print.data(), print.size());
  if (written < 0 || static_cast<size_t>(written) != print.size()) return SendResult::Failed;
  papplDeviceFlush(device_);
  return SendResult::Sent;
}

}  // namespace kv71p::printerapp
