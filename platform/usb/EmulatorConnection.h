// A client connection to the printer emulator's Unix socket: one request
// line, one reply line (docs/emulator-protocol.md).
#pragma once

#include <cstddef>
#include <string>

namespace kv71p {

class EmulatorConnection {
 public:
  EmulatorConnection() = default;
  ~EmulatorConnection();
  EmulatorConnection(const EmulatorConnection&) = delete;
  EmulatorConnection& operator=(const EmulatorConnection&) = delete;

  // Connects to the socket; 0 or an errno value.
  int Connect(const std::string& socketPath);
  void Disconnect();
  bool Connected() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Sends `line` (a line feed is added) and reads the reply line. False
  // when the connection failed or no reply came within `timeoutMs`
  // (negative: wait without limit); the connection is closed then.
  bool Request(const std::string& line, std::string* reply, int timeoutMs = 60000);
  // The same with `size` raw bytes sent right behind the line (the form of
  // "bulkout-raw").
  bool Request(const std::string& line, const void* data, size_t size, std::string* reply,
               int timeoutMs);

  bool SendLine(const std::string& line) { return SendLine(line, nullptr, 0); }
  // Sends `line`, a line feed and then `size` bytes of `data`.
  bool SendLine(const std::string& line, const void* data, size_t size);
  // 1: a line was read; 0: none within `timeoutMs`; -1: connection closed.
  int ReadLine(std::string* line, int timeoutMs);

 private:
  int fd_ = -1;
  std::string pending_;
};

}  // namespace kv71p
