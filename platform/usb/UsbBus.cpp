#include "platform/usb/UsbBus.h"

#include <cstdlib>

namespace kv71p {

std::unique_ptr<UsbBus> CreateUsbBus() {
  const char* socket = std::getenv("KV71P_USB_EMULATOR");
  if (socket != nullptr && *socket != '\0') return CreateEmulatedBus(socket);
  return CreateLibusbBus();
}

}  // namespace kv71p
