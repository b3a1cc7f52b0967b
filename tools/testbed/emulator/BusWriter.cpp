#include "tools/testbed/emulator/BusWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/Kv71pConfig.h"
#include "platform/usb/UsbBus.h"

namespace kv71p::emulator {

namespace {

constexpr size_t kTransferSize = 65536;
constexpr unsigned kTransferTimeoutMs = 10000;
constexpr int kArrivalWaitMs = 5000;

int Fail(const std::string& message) {
  std::fprintf(stderr, "kv71p-emulator: %s\n", message.c_str());
  return 1;
}

// Waits for printer `id` to be reported on the bus.
std::shared_ptr<UsbDevice> FindDevice(UsbBus& bus, unsigned long id) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kArrivalWaitMs);
  while (std::chrono::steady_clock::now() < end) {
    std::vector<UsbEvent> events;
    bus.WaitForEvents(100, &events);
    for (const UsbEvent& event : events)
      if (event.kind == UsbEventKind::Arrived && event.device->Id() == id) return event.device;
  }
  return nullptr;
}

// Closes what was opened, however the writing ends.
struct OpenedInterface {
  std::shared_ptr<UsbDevice> device;
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  bool interfaceOpen = false;
  ~OpenedInterface() {
    if (interfaceOpen) interfaces[0]->Close();
    if (device) device->Close();
  }
};

}  // namespace

int WriteFileToPrinter(const std::string& socketPath, unsigned long id, const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail("cannot read " + file);
  std::ostringstream content;
  content << in.rdbuf();
  const std::string data = content.str();

  std::unique_ptr<UsbBus> bus = CreateEmulatedBus(socketPath);
  if (bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) != kUsbSuccess)
    return Fail("cannot reach the emulator at " + socketPath);
  OpenedInterface opened;
  std::shared_ptr<UsbDevice> device = FindDevice(*bus, id);
  if (!device) return Fail("no printer " + std::to_string(id) + " on the bus");
  if (device->OpenSeize() != kUsbSuccess) return Fail("cannot open the printer");
  opened.device = device;
  if (device->GetInterfaces(&opened.interfaces) != kUsbSuccess || opened.interfaces.empty())
    return Fail("the printer lists no interface");
  const int claim = opened.interfaces[0]->OpenSeize();
  if (claim != kUsbSuccess) return Fail(std::string("cannot claim the interface: ") + UsbResultName(claim));
  opened.interfaceOpen = true;

  const auto start = std::chrono::steady_clock::now();
  for (size_t at = 0; at < data.size();) {
    const int size = static_cast<int>(std::min(kTransferSize, data.size() - at));
    int sent = 0;
    const int r = opened.interfaces[0]->BulkWrite(
        kUsbPipeOut, reinterpret_cast<const unsigned char*>(data.data() + at), size, &sent,
        kTransferTimeoutMs);
    if (r != kUsbSuccess || sent <= 0)
      return Fail("bulk OUT failed at byte " + std::to_string(at) + ": " + UsbResultName(r));
    at += static_cast<size_t>(sent);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("kv71p-emulator: wrote %zu bytes to printer %lu in %.3f s (%.0f MB/s)\n",
              data.size(), id, seconds, seconds > 0 ? data.size() / seconds / 1e6 : 0.0);
  return 0;
}

}  // namespace kv71p::emulator
