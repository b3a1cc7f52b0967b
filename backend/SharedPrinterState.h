// What the job knows of its printer, shared between the job's thread, which
// keeps it up to date, and the side-channel thread, which answers the
// filters' questions from it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "delivery/Supplies.h"

namespace kv71p::backend {

// The ribbon level (in percent) at and below which it counts as low.
inline constexpr int kMarkerLowLevel = 10;

struct PrinterSnapshot {
  bool connected = false;
  std::string deviceId;  // the printer's IEEE 1284 device ID, once opened
  int status = -1;       // the last status number; -1 before the first answer
  delivery::Supplies supplies;
  bool printPending = false;  // a print read from the filter is not sent whole yet
};

class SharedPrinterState {
 public:
  template <typename Change>
  void Update(Change change) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      change(snapshot_);
    }
    changed_.notify_all();
  }

  PrinterSnapshot Read() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return snapshot_;
  }

  // Waits up to `timeout` until no print is pending; true when none is.
  bool WaitUntilDrained(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !snapshot_.printPending; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  PrinterSnapshot snapshot_;
};

}  // namespace kv71p::backend
