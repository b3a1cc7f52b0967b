// The exchange with a printer over its USB interface: one command block
// out on the bulk OUT pipe (in chunks), one framed answer in on the bulk IN
// pipe, checked. Runs on the calling thread; the transfers are synchronous
// calls of the USB layer, which stand in for the asynchronous transfers,
// their completion callback and the run-loop wait.
#pragma once

#include "common/DeviceCmd.h"
#include "platform/usb/UsbInterface.h"
#include "service/DeviceRecv.h"

namespace kv71p::service {

// Time-outs of one bulk transfer, in milliseconds. A transfer that ends by
// time-out is not a failure of the transfer functions: the answer checks
// catch a missing or short answer.
enum : unsigned {
  kUsbWriteTimeoutMs = 1000,
  kUsbReadTimeoutMs = 10000,
};

struct TransferTimeouts {
  unsigned writeMs = kUsbWriteTimeoutMs;
  unsigned readMs = kUsbReadTimeoutMs;
};

// Largest chunk of one bulk OUT transfer.
enum : int { kUsbWriteChunkMax = 65536 };

using kv71p::UsbInterface;

// Results: 0 success; 1 a transfer could not be carried out; 2 the answer
// buffer was not obtained; 3 invalid argument or invalid answer.

// One exchange: writes `block`, reads one answer into `response`, checks it.
int DeviceIO(UsbInterface* interface, const DeviceCmd* block, DeviceRecv* response,
             const TransferTimeouts& timeouts = TransferTimeouts());

// Writes `count` bytes: up to 511 bytes in one transfer; longer in chunks
// of the remainder less 256 bytes, at most 65536 bytes each.
int deviceWrite(UsbInterface* interface, const unsigned char* bytes, int count,
                unsigned timeoutMs = kUsbWriteTimeoutMs);
int deviceWrite(UsbInterface* interface, const DeviceCmd* block,
                unsigned timeoutMs = kUsbWriteTimeoutMs);

// Reads one framed answer into `target` (room for `capacity` bytes): the
// 8-digit header, then as many payload bytes as it announces, which must
// fit behind it. `received` is set to 0.
int deviceRead(UsbInterface* interface, unsigned char* target, int capacity, int* received,
               unsigned timeoutMs = kUsbReadTimeoutMs);
// Prepares the answer buffer of `response` and reads one framed answer.
int deviceRead(UsbInterface* interface, DeviceRecv* response,
               unsigned timeoutMs = kUsbReadTimeoutMs);

// One bulk OUT transfer on pipe 1; `sent` is set to `count`.
int USB_Write(UsbInterface* interface, const unsigned char* bytes, int count, int* sent,
              unsigned timeoutMs = kUsbWriteTimeoutMs);
// One bulk IN transfer on pipe 2 of up to `count` bytes; `received` gets
// the bytes that came.
int USB_Read(UsbInterface* interface, unsigned char* target, int count, int* received,
             unsigned timeoutMs = kUsbReadTimeoutMs);

}  // namespace kv71p::service
