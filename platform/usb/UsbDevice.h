// One attached printer as the bus reported it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/usb/UsbInterface.h"
#include "platform/usb/UsbTypes.h"

namespace kv71p {

class UsbDevice {
 public:
  virtual ~UsbDevice() = default;
  UsbDevice(const UsbDevice&) = delete;
  UsbDevice& operator=(const UsbDevice&) = delete;

  // Identifies the device in its arrival and its removal event; never 0.
  uint64_t Id() const { return id_; }

  // Opens the device for a pass (counted like an interface open; the first
  // open reaches the bus). Fails with kUsbErrorNoDevice once it is gone.
  int OpenSeize();
  int Close();

  // The interfaces of the active configuration, in descriptor order, each
  // a new, closed handle. Needs the device open.
  int GetInterfaces(std::vector<std::unique_ptr<UsbInterface>>* interfaces);

 protected:
  explicit UsbDevice(uint64_t id) : id_(id) {}

  virtual int DoOpen() = 0;
  virtual int DoClose() = 0;
  virtual int DoGetInterfaces(std::vector<std::unique_ptr<UsbInterface>>* interfaces) = 0;

 private:
  uint64_t id_;
  std::mutex mutex_;
  int opens_ = 0;
};

}  // namespace kv71p
