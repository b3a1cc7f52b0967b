#include "tools/decoder/StreamDecoder.h"

#include <algorithm>
#include <string>

#include "tools/decoder/BlockCheck.h"
#include "tools/decoder/BlockText.h"

namespace kv71p {

int StreamDecoder::Feed(const unsigned char* data, size_t size) {
  if (failed_) return 3;
  while (size > 0) {
    std::vector<unsigned char>& bytes = current_.bytes;
    if (bytes.empty()) current_.offset = offset_;
    const size_t have = bytes.size();
    const size_t header = kCmdHeaderSize;
    const size_t want = (have < header ? header : expectedSize_) - have;
    const size_t take = std::min(want, size);
    bytes.insert(bytes.end(), data, data + take);
    data += take;
    size -= take;
    // The header is checked once complete, then the fixed data or the BMP
    // part in front of the pixels; pixel bytes take any value.
    const size_t checkpoint =
        have < header ? header : std::min(expectedSize_, static_cast<size_t>(kPlanePixelOffset));
    if (have < checkpoint && bytes.size() >= checkpoint) {
      if (!CheckBlockPrefix(bytes.data(), bytes.size(), current_.offset, &error_)) {
        failed_ = true;
        offset_ = error_.offset;
        return 3;
      }
      if (checkpoint == header) {
        expectedSize_ = BlockSize(bytes.data());
        current_.entry = FindCatalogueEntry(bytes.data());
        // The whole block at once: no copies while a plane of many
        // megabytes arrives, and no room beyond it.
        bytes.reserve(expectedSize_);
      }
    }
    offset_ += take;
    if (bytes.size() >= header && bytes.size() == expectedSize_) {
      StreamBlock done = std::move(current_);
      current_ = StreamBlock();
      expectedSize_ = 0;
      ++blockCount_;
      if (sink_) sink_(std::move(done));
    }
  }
  return 0;
}

int StreamDecoder::Finish() {
  if (failed_) return 3;
  const size_t have = current_.bytes.size();
  if (have == 0) return 0;
  failed_ = true;
  // A malformed byte before the end wins over the missing ones.
  if (!CheckBlockPrefix(current_.bytes.data(), have, current_.offset, &error_)) return 3;
  error_.offset = offset_;
  if (have < static_cast<size_t>(kCmdHeaderSize)) {
    error_.message = "stream ends inside the header of the block at offset " +
                     std::to_string(current_.offset) + " (" + std::to_string(have) + " of " +
                     std::to_string(kCmdHeaderSize) + " bytes)";
  } else {
    error_.message = "stream ends inside the data of " + BlockTitle(current_.bytes.data()) +
                     " at offset " + std::to_string(current_.offset) + " (" +
                     std::to_string(have - kCmdHeaderSize) + " of " +
                     std::to_string(expectedSize_ - kCmdHeaderSize) + " data bytes)";
  }
  return 3;
}

int DecodeStream(const unsigned char* data, size_t size, const StreamDecoder::BlockSink& sink,
                 StreamError* error) {
  StreamDecoder decoder(sink);
  int result = decoder.Feed(data, size);
  if (result == 0) result = decoder.Finish();
  if (result != 0 && error != nullptr) *error = decoder.error();
  return result;
}

}  // namespace kv71p
