// One framed printer answer: 8 decimal digits giving the payload length,
// then the payload (text ended by a carriage return), with the length and
// leading text the caller expects.
#pragma once

#include <cstddef>
#include <cstdint>

#include "service/TransportResult.h"

namespace kv71p::service {

enum : int {
  kRecvHeaderSize = 8,
  kRecvAnyLength = -1,
  kRecvAnyBufferLength = 4096,   // bytes read at most for an answer of any length
  kRecvPrefixCapacity = 32,      // longest expected leading text, terminator included
};

class DeviceRecv {
 public:
  // expectedLength: -1 = any length up to 4088 payload bytes; n > 0 = at
  // most n bytes, exactly n expected. A null prefix is the empty text; a
  // longer one than fits is cut.
  DeviceRecv(int expectedLength, const char* expectedPrefix);
  ~DeviceRecv() { Free(); }
  DeviceRecv(const DeviceRecv&) = delete;
  DeviceRecv& operator=(const DeviceRecv&) = delete;

  // Bytes to read at most: 4096 for -1, 0 for 0, n + 8 otherwise.
  int GetBufferLength() const;
  // Releases the old buffer and allocates a zero-filled one of
  // GetBufferLength() + 2 bytes (nothing for 0). kTransportOk, or
  // kTransportNoMemory.
  int Alloc();
  // Releases the buffer; returns kTransportOk.
  int Free();
  // Checks the received answer: its terminator and leading text.
  // kTransportOk when valid, kTransportInvalid otherwise.
  int CheckData() const;
  // Copies the payload text (behind the header and the expected leading
  // text, up to the first carriage return or NUL) into `out`, which holds
  // `outSize` bytes. kTransportOk; kTransportInvalid when `out` is null or
  // the text does not fit, in which case `out` holds the empty text (when
  // it has room for it).
  int GetEffectiveDataAsString(char* out, size_t outSize) const;

  unsigned char* buffer = nullptr;
  int32_t expectedLength;
  char expectedPrefix[kRecvPrefixCapacity];
};

}  // namespace kv71p::service
