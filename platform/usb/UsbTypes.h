// Result codes and descriptors shared by every implementation of the USB
// layer (libusb and the emulated bus).
#pragma once

#include <cstdint>
#include <vector>

namespace kv71p {

// Result of a USB operation. The values match libusb's error numbers, so a
// code printed with "%08x" reads the same on hardware and in tests.
enum UsbResult : int {
  kUsbSuccess = 0,
  kUsbErrorIo = -1,
  kUsbErrorInvalidParam = -2,
  kUsbErrorAccess = -3,
  kUsbErrorNoDevice = -4,
  kUsbErrorNotFound = -5,
  kUsbErrorBusy = -6,
  kUsbErrorTimeout = -7,
  kUsbErrorOverflow = -8,
  kUsbErrorPipe = -9,
  kUsbErrorInterrupted = -10,
  kUsbErrorNoMemory = -11,
  kUsbErrorNotSupported = -12,
  kUsbErrorOther = -99,
};

// A short name for a result code ("success", "busy", ...).
const char* UsbResultName(int result);

// The printer interface's pipes: pipe 1 is its bulk OUT endpoint, pipe 2
// its bulk IN endpoint, both found from the interface descriptor.
enum : uint8_t {
  kUsbPipeOut = 1,
  kUsbPipeIn = 2,
};

enum : uint8_t {
  kUsbEndpointDirIn = 0x80,
  kUsbTransferTypeMask = 0x03,
  kUsbTransferTypeBulk = 0x02,
};

struct UsbEndpointInfo {
  uint8_t address = 0;     // bit 7 set: IN
  uint8_t attributes = 0;  // low two bits: transfer type
};

// One interface of the active configuration (alternate setting 0).
struct UsbInterfaceInfo {
  uint8_t number = 0;
  uint8_t alternateSetting = 0;
  uint8_t configurationValue = 1;
  uint8_t interfaceClass = 0;
  uint8_t interfaceSubClass = 0;
  uint8_t interfaceProtocol = 0;
  std::vector<UsbEndpointInfo> endpoints;
};

// The endpoint address behind a pipe number: the first bulk OUT endpoint
// for pipe 1, the first bulk IN endpoint for pipe 2. False when the
// interface has no such endpoint or the pipe number is unknown.
bool FindPipeEndpoint(const UsbInterfaceInfo& info, uint8_t pipe, uint8_t* endpoint);

}  // namespace kv71p
