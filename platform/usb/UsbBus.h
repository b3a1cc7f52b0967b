// The USB bus as the status service sees it: printers arriving and leaving,
// each a UsbDevice. Two implementations: libusb (the default) and the
// emulated bus of the printer emulator, chosen by KV71P_USB_EMULATOR.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/usb/UsbDevice.h"

namespace kv71p {

enum class UsbEventKind { Arrived, Left };

struct UsbEvent {
  UsbEventKind kind = UsbEventKind::Arrived;
  std::shared_ptr<UsbDevice> device;  // the same object in a device's both events
};

class UsbBus {
 public:
  virtual ~UsbBus() = default;

  // Starts watching for devices with this vendor and product id. Devices
  // already attached are reported as arrivals, like later ones.
  virtual int StartWatching(uint16_t vendorId, uint16_t productId) = 0;

  // Waits up to `timeoutMs` for bus activity and moves the events queued
  // since the last call into `events`, oldest first. The notification
  // itself only queues: whatever the caller does with an event (starting
  // or joining a worker) runs here, on the caller's thread, outside the
  // bus's own event handling.
  virtual int WaitForEvents(int timeoutMs, std::vector<UsbEvent>* events) = 0;
};

// The emulated bus when KV71P_USB_EMULATOR names the emulator's socket,
// else libusb.
std::unique_ptr<UsbBus> CreateUsbBus();

std::unique_ptr<UsbBus> CreateLibusbBus();
std::unique_ptr<UsbBus> CreateEmulatedBus(const std::string& socketPath);

}  // namespace kv71p
