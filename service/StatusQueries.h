// The status queries: one query command block out, one answer in, over an
// opened interface of the printer.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

#include "common/SerialNumber.h"
#include "service/UsbTransport.h"

namespace kv71p::service {

// GetStatus's result when no status was obtained.
inline constexpr int kStatusQueryFailed = INT_MIN;

// The printer's status number (the answer's leading digits, as atoi reads
// them), or kStatusQueryFailed.
int GetStatus(UsbInterface* interface, const TransferTimeouts& timeouts = TransferTimeouts());

// The text queries store the answer text in `out` (room for `outSize`
// bytes) and return its length; -1 on failure, with `out` empty. An answer
// that does not fit `out` fails the query: a cut value would be published
// as if it were the printer's.
//
// GetSerialNo stores the serial number in the suite's form
// (common/SerialNumber.h). An answer that is refused fails the query, and
// `refusal`, when given, says why (SerialRefusal::None for every other
// outcome).
int64_t GetSerialNo(UsbInterface* interface, char* out, size_t outSize,
                    const TransferTimeouts& timeouts = TransferTimeouts(),
                    SerialRefusal* refusal = nullptr);
int64_t GetFirmVersion(UsbInterface* interface, char* out, size_t outSize,
                       const TransferTimeouts& timeouts = TransferTimeouts());
int64_t GetMediaSize(UsbInterface* interface, char* out, size_t outSize,
                     const TransferTimeouts& timeouts = TransferTimeouts());
int64_t GetMediaClass(UsbInterface* interface, char* out, size_t outSize,
                      const TransferTimeouts& timeouts = TransferTimeouts());
int64_t GetMediaInitial(UsbInterface* interface, char* out, size_t outSize,
                        const TransferTimeouts& timeouts = TransferTimeouts());
int64_t GetMediaRemain(UsbInterface* interface, char* out, size_t outSize,
                       const TransferTimeouts& timeouts = TransferTimeouts());
int64_t GetMediaRemainHalf(UsbInterface* interface, char* out, size_t outSize,
                           const TransferTimeouts& timeouts = TransferTimeouts());
int64_t GetTotalCount(UsbInterface* interface, char* out, size_t outSize,
                      const TransferTimeouts& timeouts = TransferTimeouts());

}  // namespace kv71p::service
