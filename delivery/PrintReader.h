// Reads the prints of a printer command stream from a file descriptor (a
// pipe from the filter, or a file), checking every block with the stream
// decoder as its bytes arrive. A print is handed out once its "START" has
// arrived, so no more than one print and the bytes of one read are held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "delivery/Print.h"
#include "tools/decoder/StreamDecoder.h"

namespace kv71p::delivery {

enum class ReadOutcome {
  Print,      // the next print
  End,        // the stream ended after a print's START (or was empty)
  Failed,     // not a KV-71P command stream, an incomplete last print, or a read error: error()
  Cancelled,  // the owner asked to stop while the reader waited for bytes
};

// A print larger than this, or of more blocks, is refused: a print of the
// largest media at 600 dpi is about 56 MB in 6 blocks.
inline constexpr size_t kMaxPrintBytes = size_t{256} * 1024 * 1024;
inline constexpr size_t kMaxPrintBlocks = 64;

class PrintReader {
 public:
  // `fd` stays the caller's. The prints are numbered from `firstNumber`
  // on. `cancelled` is asked at least every 100 ms while the reader waits
  // for bytes.
  PrintReader(int fd, int firstNumber, std::function<bool()> cancelled);
  PrintReader(const PrintReader&) = delete;
  PrintReader& operator=(const PrintReader&) = delete;

  // The next print in stream order.
  ReadOutcome Next(Print* print);

  // Why the stream failed: where (stream offset) and what.
  const std::string& error() const { return error_; }
  uint64_t bytesRead() const { return bytesRead_; }

 private:
  void TakeBlock(StreamBlock&& block);
  void Fail(uint64_t offset, const std::string& what);
  // Reads the next bytes into the decoder; false when the reader is
  // cancelled (ended_ and failed_ tell the rest).
  bool ReadMore();

  int fd_;
  std::function<bool()> cancelled_;
  StreamDecoder decoder_;
  std::vector<unsigned char> buffer_;
  Print assembling_;  // the blocks after the last START
  size_t assemblingBytes_ = 0;
  std::deque<Print> ready_;  // prints whose START has arrived
  int nextNumber_;
  uint64_t bytesRead_ = 0;
  bool ended_ = false;
  bool failed_ = false;
  std::string error_;
};

}  // namespace kv71p::delivery
