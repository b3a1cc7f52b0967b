#include "tools/testbed/emulator/RequestReader.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace kv71p::emulator {

namespace {

// A line read takes up to this much at a time, so that little of a raw
// transfer behind the line passes through the line buffer.
constexpr size_t kReadSize = 4096;

}  // namespace

bool RequestReader::Fill() {
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  const size_t used = buffer_.size();
  buffer_.resize(used + kReadSize);
  for (;;) {
    const ssize_t n = recv(fd_, &buffer_[used], kReadSize, 0);
    if (n < 0 && errno == EINTR) continue;
    buffer_.resize(used + (n > 0 ? static_cast<size_t>(n) : 0));
    return n > 0;
  }
}

int RequestReader::ReadLine(std::string* line) {
  for (;;) {
    const size_t end = buffer_.find('\n', start_ + scanned_);
    if (end != std::string::npos) {
      line->assign(buffer_, start_, end - start_);
      start_ = end + 1;
      scanned_ = 0;
      return 1;
    }
    scanned_ = buffer_.size() - start_;
    if (scanned_ > longestLine_) return -1;
    if (!Fill()) return 0;
  }
}

bool RequestReader::ReadBytes(size_t size, std::string* bytes) {
  const size_t buffered = std::min(size, buffer_.size() - start_);
  bytes->assign(buffer_, start_, buffered);
  start_ += buffered;
  bytes->resize(size);
  size_t got = buffered;
  while (got < size) {
    const ssize_t n = recv(fd_, &(*bytes)[got], size - got, MSG_WAITALL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace kv71p::emulator
