#include "service/UsbTransport.h"

#include "common/TextHelpers.h"

namespace kv71p::service {

namespace {

// Success and a time-out both mean the transfer was carried out.
int TransferResult(int usbResult) {
  return (usbResult == kv71p::kUsbSuccess || usbResult == kv71p::kUsbErrorTimeout)
             ? kTransportOk
             : kTransportFailed;
}

// The chunk sizes: up to 511 bytes at once, longer in chunks of the
// remainder less 256, at most kUsbWriteChunkMax.
int NextChunk(int remaining) {
  const int chunk = remaining <= 511 ? remaining : remaining - 256;
  return chunk > kUsbWriteChunkMax ? kUsbWriteChunkMax : chunk;
}

}  // namespace

int BulkWriteOnce(UsbInterface* interface, const unsigned char* bytes, int count, int* sent,
                  unsigned timeoutMs) {
  if (sent != nullptr) *sent = 0;
  if (interface == nullptr || bytes == nullptr || count < 0) return kTransportInvalid;
  int done = 0;
  const int r = interface->BulkWrite(kv71p::kUsbPipeOut, bytes, count, &done, timeoutMs);
  if (sent != nullptr) *sent = done;
  return TransferResult(r);
}

int BulkReadOnce(UsbInterface* interface, unsigned char* target, int count, int* received,
                 unsigned timeoutMs) {
  if (received != nullptr) *received = 0;
  if (interface == nullptr || target == nullptr || count < 0) return kTransportInvalid;
  int done = 0;
  const int r = interface->BulkRead(kv71p::kUsbPipeIn, target, count, &done, timeoutMs);
  if (received != nullptr) *received = done;
  return TransferResult(r);
}

int WriteInChunks(UsbInterface* interface, const unsigned char* bytes, int count,
                  unsigned timeoutMs, int* sent) {
  if (sent != nullptr) *sent = 0;
  if (interface == nullptr || bytes == nullptr || count <= 0) return kTransportInvalid;
  int offset = 0;
  while (offset < count) {
    const int chunk = NextChunk(count - offset);
    int taken = 0;
    const int r = BulkWriteOnce(interface, bytes + offset, chunk, &taken, timeoutMs);
    offset += taken;
    if (sent != nullptr) *sent = offset;
    if (r != kTransportOk) return r;
    // A printer that stopped taking bytes would take none of the next
    // chunk either; the answer check reports the exchange as failed.
    if (taken < chunk) break;
  }
  return kTransportOk;
}

int WriteInChunks(UsbInterface* interface, const DeviceCmd* block, unsigned timeoutMs,
                  int* sent) {
  if (sent != nullptr) *sent = 0;
  if (block == nullptr) return kTransportInvalid;
  return WriteInChunks(interface, block->buffer, block->length, timeoutMs, sent);
}

int ReadFramedAnswer(UsbInterface* interface, unsigned char* target, int capacity,
                     unsigned timeoutMs) {
  if (interface == nullptr || target == nullptr || capacity <= kRecvHeaderSize)
    return kTransportInvalid;
  int got = 0;
  const int r = BulkReadOnce(interface, target, kRecvHeaderSize, &got, timeoutMs);
  if (r != kTransportOk) return r;
  // A silent printer leaves the header incomplete.
  if (got != kRecvHeaderSize) return kTransportInvalid;
  for (int i = 0; i < kRecvHeaderSize; ++i)
    if (target[i] < '0' || target[i] > '9') return kTransportInvalid;
  const int length = TextToInt(reinterpret_cast<const char*>(target), kRecvHeaderSize);
  if (length < 1 || length > capacity - kRecvHeaderSize) return kTransportInvalid;
  return BulkReadOnce(interface, target + kRecvHeaderSize, length, &got, timeoutMs);
}

int ReadFramedAnswer(UsbInterface* interface, DeviceRecv* response, unsigned timeoutMs) {
  if (response == nullptr) return kTransportInvalid;
  response->Free();
  const int r = response->Alloc();
  if (r != kTransportOk) return r;
  // An expected length of 0 reads nothing.
  if (response->buffer == nullptr) return kTransportInvalid;
  return ReadFramedAnswer(interface, response->buffer, response->GetBufferLength(), timeoutMs);
}

int ExchangeCommand(UsbInterface* interface, const DeviceCmd* block, DeviceRecv* response,
                    const TransferTimeouts& timeouts) {
  if (interface == nullptr || response == nullptr) return kTransportInvalid;
  int r = WriteInChunks(interface, block, timeouts.writeMs);
  if (r == kTransportOk) r = ReadFramedAnswer(interface, response, timeouts.readMs);
  if (r == kTransportOk) r = response->CheckData();
  return r;
}

}  // namespace kv71p::service
