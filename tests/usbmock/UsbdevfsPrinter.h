// The device side of a printer in the umockdev test bed. libusb drives a
// printer's /dev/bus/usb node with usbdevfs requests (claims, URBs
// submitted, reaped and discarded); umockdev's preload hands each request
// to this handler, which carries it out with the bus requests of the
// printer emulator (docs/emulator-protocol.md). The libusb path and the
// emulated bus thus talk to one printer model. Every open file of the node
// is one holder at the emulator, with a connection of its own, as every
// process's handle is one holder on a real bus.
#pragma once

#include <umockdev.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace kv71p::test {

// The device and configuration descriptors of a KV-71P with `interfaces`
// printer interfaces (interface n: bulk OUT 0x01 + 2n, bulk IN 0x82 + 2n,
// 512-byte packets), string indexes 1-3 for maker, product and serial
// number (their texts are sysfs attributes; the device does not answer
// requests for them).
std::string PrinterDescriptors(uint16_t vendorId, uint16_t productId, int interfaces);

class UsbdevfsPrinter {
 public:
  UsbdevfsPrinter(std::string socketPath, unsigned printerId);
  // Lets every holder go; waits for a request being answered to end.
  ~UsbdevfsPrinter();
  UsbdevfsPrinter(const UsbdevfsPrinter&) = delete;
  UsbdevfsPrinter& operator=(const UsbdevfsPrinter&) = delete;

  UMockdevIoctlBase* handler() const { return handler_; }

 private:
  struct Client;

  static void OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void OnGone(gpointer self, GObject* client);
  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);

  std::string socketPath_;
  unsigned printerId_;
  UMockdevIoctlBase* handler_;
  std::atomic<GMainContext*> worker_{nullptr};  // the context of umockdev's thread
  std::map<UMockdevIoctlClient*, std::unique_ptr<Client>> clients_;
};

}  // namespace kv71p::test
