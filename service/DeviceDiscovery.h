// The service's table of attached printers and the attach and removal
// handling that fills and empties it. Both handlers run on the main thread
// after the bus wait returns, never inside the USB library's own event
// handling.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/usb/UsbBus.h"
#include "service/ThData.h"

namespace kv71p::service {

// One record per attached printer, in the order in which their workers
// started; the table owns the records. Every access holds `m`.
extern std::vector<std::unique_ptr<thdata>> thDevData;
extern std::mutex m;

// Creates the record and the worker of one attached printer.
void dealWithDevice(const std::shared_ptr<kv71p::UsbDevice>& service);

// Attach notification: dealWithDevice for every device that arrived.
void DeviceAdded(const std::vector<std::shared_ptr<kv71p::UsbDevice>>& services);

// Removal notification: for every device that left, stops its worker,
// waits for it to end, then frees its record.
void DeviceRemoved(const std::vector<uint64_t>& services);

// Hands each bus event, in order, to DeviceAdded or DeviceRemoved.
void DispatchUsbEvents(const std::vector<kv71p::UsbEvent>& events);

}  // namespace kv71p::service
