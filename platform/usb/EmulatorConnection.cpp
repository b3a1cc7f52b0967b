#include "platform/usb/EmulatorConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace kv71p {

EmulatorConnection::~EmulatorConnection() { Disconnect(); }

int EmulatorConnection::Connect(const std::string& socketPath) {
  Disconnect();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) return ENAMETOOLONG;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  fd_ = fd;
  return 0;
}

void EmulatorConnection::Disconnect() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  pending_.clear();
}

bool EmulatorConnection::SendLine(const std::string& line, const void* data, size_t size) {
  if (fd_ < 0) return false;
  const std::string head = line + '\n';
  iovec parts[2] = {{const_cast<char*>(head.data()), head.size()},
                    {const_cast<void*>(data), data != nullptr ? size : 0}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = 2;
  size_t left = parts[0].iov_len + parts[1].iov_len;
  while (left > 0) {
    // MSG_NOSIGNAL: a vanished emulator must not kill the caller with SIGPIPE.
    const ssize_t n = sendmsg(fd_, &message, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Disconnect();
      return false;
    }
    left -= static_cast<size_t>(n);
    // Step over what was sent.
    size_t sent = static_cast<size_t>(n);
    while (sent > 0 && message.msg_iovlen > 0) {
      iovec& first = message.msg_iov[0];
      const size_t step = sent < first.iov_len ? sent : first.iov_len;
      first.iov_base = static_cast<char*>(first.iov_base) + step;
      first.iov_len -= step;
      sent -= step;
      if (first.iov_len == 0) {
        ++message.msg_iov;
        --message.msg_iovlen;
      }
    }
  }
  return true;
}

int EmulatorConnection::ReadLine(std::string* line, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return 1;
    }
    if (fd_ < 0) return -1;
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return 0;
      wait = static_cast<int>(left);
    }
    pollfd p{fd_, POLLIN, 0};
    const int r = poll(&p, 1, wait);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      Disconnect();
      return -1;
    }
    if (r == 0) return 0;
    char buffer[65536];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Disconnect();
      return -1;
    }
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

bool EmulatorConnection::Request(const std::string& line, std::string* reply, int timeoutMs) {
  return Request(line, nullptr, 0, reply, timeoutMs);
}

bool EmulatorConnection::Request(const std::string& line, const void* data, size_t size,
                                 std::string* reply, int timeoutMs) {
  if (!SendLine(line, data, size)) return false;
  if (ReadLine(reply, timeoutMs) == 1) return true;
  Disconnect();
  return false;
}

}  // namespace kv71p
