#include "tools/testbed/emulator/BlockSplitter.h"

#include <algorithm>
#include <cstring>

namespace kv71p::emulator {

namespace {

constexpr char kEscape = '\x1b';

// Where the next ESC lies in data[from, size); `size` when there is none.
size_t NextEscape(const char* data, size_t from, size_t size) {
  if (from >= size) return size;
  const void* found = std::memchr(data + from, kEscape, size - from);
  return found == nullptr ? size : static_cast<size_t>(static_cast<const char*>(found) - data);
}

// The data length field of a header: 8 digits, or 8 blanks for none.
bool DataLength(const std::string& header, size_t* length) {
  const std::string field = header.substr(24, 8);
  if (field == "        ") {
    *length = 0;
    return true;
  }
  if (field.find_first_not_of("0123456789") != std::string::npos) return false;
  size_t value = 0;
  for (char c : field) value = value * 10 + static_cast<size_t>(c - '0');
  *length = value;
  return true;
}

}  // namespace

void BlockSplitter::Reset() {
  partial_.clear();
  inBlock_ = false;
  header_.clear();
  dataStart_.clear();
  dataLength_ = dataSeen_ = 0;
}

void BlockSplitter::OpenBlock(const std::string& header, Listener& listener) {
  size_t length = 0;
  if (!DataLength(header, &length)) {
    listener.OnJunk(header, header.size());
    return;
  }
  inBlock_ = true;
  header_ = header;
  dataLength_ = length;
  dataSeen_ = 0;
  dataStart_.clear();
  listener.OnBlockHeader(header_, dataLength_);
}

void BlockSplitter::DropPartialJunk(const char* data, size_t size, size_t* at,
                                    Listener& listener) {
  const size_t inPartial = NextEscape(partial_.data(), 1, partial_.size());
  if (inPartial < partial_.size()) {
    listener.OnJunk(partial_.substr(0, inPartial), inPartial);
    partial_.erase(0, inPartial);
    return;
  }
  // The junk goes on into the new bytes, up to their next ESC.
  const size_t end = NextEscape(data, *at, size);
  std::string start = partial_;
  start.append(data + *at, std::min(end - *at, kLoggedBytes - std::min(kLoggedBytes, start.size())));
  listener.OnJunk(start, partial_.size() + (end - *at));
  partial_.clear();
  *at = end;
}

void BlockSplitter::Feed(const char* data, size_t size, Listener& listener) {
  size_t at = 0;
  for (;;) {
    if (inBlock_) {
      const size_t n = std::min(dataLength_ - dataSeen_, size - at);
      if (dataStart_.size() < kLoggedBytes)
        dataStart_.append(data + at, std::min(n, kLoggedBytes - dataStart_.size()));
      if (n > 0) listener.OnBlockData(data + at, n);
      at += n;
      dataSeen_ += n;
      if (dataSeen_ < dataLength_) return;
      inBlock_ = false;
      if (!listener.OnBlockEnd(header_, dataLength_, dataStart_)) return;
      continue;
    }
    if (!partial_.empty()) {
      // Complete the header begun in an earlier transfer.
      const size_t take = std::min(kBlockHeaderSize - partial_.size(), size - at);
      partial_.append(data + at, take);
      at += take;
      if (partial_.size() > 1 && partial_[1] != 'P') {
        DropPartialJunk(data, size, &at, listener);
        continue;
      }
      if (partial_.size() < kBlockHeaderSize) return;
      const std::string header = std::move(partial_);
      partial_.clear();
      OpenBlock(header, listener);
      continue;
    }
    if (at == size) return;
    const char* p = data + at;
    const size_t left = size - at;
    // Bytes that cannot begin a block are dropped up to the next ESC.
    if (p[0] != kEscape || (left > 1 && p[1] != 'P')) {
      const size_t junk = NextEscape(p, 1, left);
      listener.OnJunk(std::string(p, std::min(junk, kLoggedBytes)), junk);
      at += junk;
      continue;
    }
    if (left < kBlockHeaderSize) {
      partial_.assign(p, left);
      return;
    }
    at += kBlockHeaderSize;
    OpenBlock(std::string(p, kBlockHeaderSize), listener);
  }
}

}  // namespace kv71p::emulator
