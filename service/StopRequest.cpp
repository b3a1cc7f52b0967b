#include "service/StopRequest.h"

namespace kv71p::service {

void StopRequest::Request() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  requested_.notify_all();
}

bool StopRequest::Requested() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

bool StopRequest::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return requested_.wait_for(lock, timeout, [this] { return stop_; });
}

}  // namespace kv71p::service
