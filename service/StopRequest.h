// A request to stop that one thread makes and another waits for: the
// worker of a printer sleeps between its cycles on it, so the removal of
// the printer ends the sleep at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kv71p::service {

class StopRequest {
 public:
  StopRequest() = default;
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Asks the waiting thread to stop; wakes it when it waits.
  void Request();
  bool Requested() const;
  // Waits up to `timeout` for the request. True when it was made.
  bool WaitFor(std::chrono::milliseconds timeout);

 private:
  mutable std::mutex mutex_;
  std::condition_variable requested_;
  bool stop_ = false;
};

}  // namespace kv71p::service
