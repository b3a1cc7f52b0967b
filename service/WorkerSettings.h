// The timing of a printer's worker.
#pragma once

#include <chrono>

#include "service/UsbTransport.h"

namespace kv71p::service {

struct WorkerSettings {
  // Between two cycles of the worker.
  std::chrono::milliseconds cycle{1000};
  // Between the two attempts to read the serial number in one pass.
  std::chrono::milliseconds serialRetry{1000};
  // After a failed lpadmin, the printer's queue is not tried again for this
  // long.
  std::chrono::milliseconds queueRetry{60000};
  // Time-outs of every query's transfers.
  TransferTimeouts timeouts;
};

}  // namespace kv71p::service
