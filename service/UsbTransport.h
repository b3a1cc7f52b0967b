// The exchange with a printer over its USB interface: one command block
// out on the bulk OUT pipe (in chunks), one framed answer in on the bulk IN
// pipe, checked. Runs on the calling thread; the transfers are synchronous
// calls of the USB layer.
#pragma once

#include "common/DeviceCmd.h"
#include "platform/usb/UsbInterface.h"
#include "service/DeviceRecv.h"
#include "service/TransportResult.h"

namespace kv71p::service {

// Every function returns a TransportResult.

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

// One exchange: writes `block`, reads one answer into `response`, checks it.
int ExchangeCommand(UsbInterface* interface, const DeviceCmd* block, DeviceRecv* response,
                    const TransferTimeouts& timeouts = TransferTimeouts());

// Writes `count` bytes: up to 511 bytes in one transfer; longer in chunks
// of the remainder less 256 bytes, at most 65536 bytes each. Stops after
// the first chunk that the printer did not take whole (a time-out, which
// is not a failure: the result is still kTransportOk). `sent`, when given,
// receives the bytes the printer took.
int WriteInChunks(UsbInterface* interface, const unsigned char* bytes, int count,
                  unsigned timeoutMs = kUsbWriteTimeoutMs, int* sent = nullptr);
int WriteInChunks(UsbInterface* interface, const DeviceCmd* block,
                  unsigned timeoutMs = kUsbWriteTimeoutMs, int* sent = nullptr);

// Reads one framed answer into `target` (room for `capacity` bytes): the
// 8-digit header, then as many payload bytes as it announces, which must
// fit behind it.
int ReadFramedAnswer(UsbInterface* interface, unsigned char* target, int capacity,
                     unsigned timeoutMs = kUsbReadTimeoutMs);
// Prepares the answer buffer of `response` and reads one framed answer.
int ReadFramedAnswer(UsbInterface* interface, DeviceRecv* response,
                     unsigned timeoutMs = kUsbReadTimeoutMs);

// One bulk OUT transfer on pipe 1; `sent` receives the bytes the printer
// took, fewer than `count` when the transfer ended by time-out.
int BulkWriteOnce(UsbInterface* interface, const unsigned char* bytes, int count, int* sent,
                  unsigned timeoutMs = kUsbWriteTimeoutMs);
// One bulk IN transfer on pipe 2 of up to `count` bytes; `received` gets
// the bytes that came.
int BulkReadOnce(UsbInterface* interface, unsigned char* target, int count, int* received,
                 unsigned timeoutMs = kUsbReadTimeoutMs);

}  // namespace kv71p::service
