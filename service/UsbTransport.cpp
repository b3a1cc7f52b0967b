#include "service/UsbTransport.h"

#include "common/TextHelpers.h"

namespace kv71p::service {

namespace {

// Success and a time-out both mean the transfer was carried out.
int TransferResult(int usbResult) {
  return (usbResult == kv71p::kUsbSuccess || usbResult == kv71p::kUsbErrorTimeout) ? 0 : 1;
}

}  // namespace

int USB_Write(UsbInterface* interface, const unsigned char* bytes, int count, int* sent,
              unsigned timeoutMs) {
  if (interface == nullptr || bytes == nullptr || count < 0) return 3;
  int done = 0;
  const int r = interface->BulkWrite(kv71p::kUsbPipeOut, bytes, count, &done, timeoutMs);
  if (TransferResult(r) != 0) return 1;
  if (sent != nullptr) *sent = count;
  return 0;
}

int USB_Read(UsbInterface* interface, unsigned char* target, int count, int* received,
             unsigned timeoutMs) {
  if (interface == nullptr || target == nullptr || count < 0) return 3;
  int done = 0;
  const int r = interface->BulkRead(kv71p::kUsbPipeIn, target, count, &done, timeoutMs);
  if (received != nullptr) *received = done;
  return TransferResult(r);
}

int deviceWrite(UsbInterface* interface, const unsigned char* bytes, int count,
                unsigned timeoutMs) {
  if (interface == nullptr || bytes == nullptr || count <= 0) return 3;
  int offset = 0;
  while (offset < count) {
    const int remaining = count - offset;
    int chunk = remaining <= 511 ? remaining : remaining - 256;
    if (chunk > kUsbWriteChunkMax) chunk = kUsbWriteChunkMax;
    int sent = 0;
    const int r = USB_Write(interface, bytes + offset, chunk, &sent, timeoutMs);
    if (r != 0) return r;
    offset += sent;
  }
  return 0;
}

int deviceWrite(UsbInterface* interface, const DeviceCmd* block, unsigned timeoutMs) {
  if (block == nullptr) return 3;
  return deviceWrite(interface, block->buffer, block->length, timeoutMs);
}

int deviceRead(UsbInterface* interface, unsigned char* target, int capacity, int* received,
               unsigned timeoutMs) {
  if (received != nullptr) *received = 0;
  if (interface == nullptr || target == nullptr || capacity <= kRecvHeaderSize) return 3;
  int got = 0;
  int r = USB_Read(interface, target, kRecvHeaderSize, &got, timeoutMs);
  if (r != 0) return r;
  // A silent printer leaves the header incomplete.
  if (got != kRecvHeaderSize) return 3;
  for (int i = 0; i < kRecvHeaderSize; ++i)
    if (target[i] < '0' || target[i] > '9') return 3;
  const int length = TextToInt(reinterpret_cast<const char*>(target), kRecvHeaderSize);
  if (length < 1 || length > capacity - kRecvHeaderSize) return 3;
  return USB_Read(interface, target + kRecvHeaderSize, length, &got, timeoutMs);
}

int deviceRead(UsbInterface* interface, DeviceRecv* response, unsigned timeoutMs) {
  if (response == nullptr) return 3;
  response->Free();
  const int r = response->Alloc();
  if (r != 0) return r;
  if (response->buffer == nullptr) return 3;  // an expected length of 0 reads nothing
  int unused = 0;
  return deviceRead(interface, response->buffer, response->GetBufferLength(), &unused, timeoutMs);
}

int DeviceIO(UsbInterface* interface, const DeviceCmd* block, DeviceRecv* response,
             const TransferTimeouts& timeouts) {
  if (interface == nullptr || response == nullptr) return 3;
  int r = deviceWrite(interface, block, timeouts.writeMs);
  if (r == 0) r = deviceRead(interface, response, timeouts.readMs);
  if (r == 0) r = response->CheckData();
  return r;
}

}  // namespace kv71p::service
