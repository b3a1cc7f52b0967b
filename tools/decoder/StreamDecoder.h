// Reads a printer command stream block by block, as its bytes arrive (from
// a file, a pipe or a socket). Each block's header, fixed data and BMP part
// are checked as soon as they are complete (at the end of the stream when
// cut short); each complete block goes to the sink; the first malformed
// byte stops the decoder with its stream offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "tools/decoder/StreamBlock.h"

namespace kv71p {

class StreamDecoder {
 public:
  // Receives each complete, checked block (the decoder gives it away).
  using BlockSink = std::function<void(StreamBlock&& block)>;

  explicit StreamDecoder(BlockSink sink) : sink_(std::move(sink)) {}

  // Takes the next bytes of the stream. Returns 0, or 3 once the stream is
  // malformed (error() tells where and why; later calls return 3 at once).
  int Feed(const unsigned char* data, size_t size);

  // The stream has ended. Returns 0 when it ended between two blocks, 3
  // when a block was cut short (the error's offset is the end of the
  // stream, where the missing byte should have been).
  int Finish();

  const StreamError& error() const { return error_; }
  bool failed() const { return failed_; }
  uint64_t offset() const { return offset_; }        // bytes taken so far
  uint64_t blockCount() const { return blockCount_; }

 private:
  BlockSink sink_;
  StreamBlock current_;
  size_t expectedSize_ = 0;  // size of the current block once its header is in
  uint64_t offset_ = 0;
  uint64_t blockCount_ = 0;
  bool failed_ = false;
  StreamError error_;
};

// Decodes a whole stream held in memory; blocks go to `sink`. Returns 0 or
// 3 with `error` filled.
int DecodeStream(const unsigned char* data, size_t size, const StreamDecoder::BlockSink& sink,
                 StreamError* error);

}  // namespace kv71p
