// Results of the USB transport and of the answer buffer's checks.
#pragma once

namespace kv71p::service {

enum TransportResult : int {
  kTransportOk = 0,
  kTransportFailed = 1,     // a transfer could not be carried out at all
  kTransportNoMemory = 2,   // the answer buffer was not obtained
  kTransportInvalid = 3,    // invalid argument or invalid answer
};

}  // namespace kv71p::service
