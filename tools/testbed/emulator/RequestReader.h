// Reads one client's requests from its connected socket: request lines,
// and the raw bytes that follow a "bulkout-raw" line. Raw bytes beyond what
// a line read took along go straight from the socket to their buffer.
#pragma once

#include <cstddef>
#include <string>

namespace kv71p::emulator {

class RequestReader {
 public:
  RequestReader(int fd, size_t longestLine) : fd_(fd), longestLine_(longestLine) {}

  // 1: the next line, without its line feed, is in `line`; 0: the peer
  // closed the connection (or it failed); -1: the line is longer than
  // allowed.
  int ReadLine(std::string* line);
  // Exactly `size` bytes; false when the connection ended first.
  bool ReadBytes(size_t size, std::string* bytes);

 private:
  // Receives more bytes into buffer_; false when the connection ended.
  bool Fill();

  int fd_;
  size_t longestLine_;
  std::string buffer_;
  size_t start_ = 0;    // where the unread bytes of buffer_ begin
  size_t scanned_ = 0;  // unread bytes already known to hold no line feed
};

}  // namespace kv71p::emulator
