// Splits the bytes a printer receives on one interface into command blocks
// while they arrive. Only a block's header and its first data bytes are
// held; the data itself is handed on piece by piece, so a plane of many
// megabytes is never gathered here.
#pragma once

#include <cstddef>
#include <string>

namespace kv71p::emulator {

inline constexpr size_t kBlockHeaderSize = 32;
// The bytes of a block's data, or of dropped junk, that the log shows.
inline constexpr size_t kLoggedBytes = 64;

class BlockSplitter {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    // `dropped` bytes that cannot form a block were dropped; `start` holds
    // the first of them (up to kLoggedBytes).
    virtual void OnJunk(const std::string& start, size_t dropped) = 0;
    // A block's 32 header bytes arrived; `dataLength` data bytes follow.
    virtual void OnBlockHeader(const std::string& header, size_t dataLength) = 0;
    // The next piece of the current block's data.
    virtual void OnBlockData(const char* data, size_t size) = 0;
    // The current block is complete; `dataStart` holds its first data bytes
    // (up to kLoggedBytes). Returning false stops the splitting: the rest of
    // the bytes given to Feed is ignored.
    virtual bool OnBlockEnd(const std::string& header, size_t dataLength,
                            const std::string& dataStart) = 0;
  };

  // Takes the next bytes received and reports what they complete.
  void Feed(const char* data, size_t size, Listener& listener);
  // Forgets a header or block received in part.
  void Reset();

 private:
  // Starts a block from a complete header, or drops a header whose length
  // field is bad.
  void OpenBlock(const std::string& header, Listener& listener);
  // Drops junk that begins in partial_ and may go on in the new bytes.
  void DropPartialJunk(const char* data, size_t size, size_t* at, Listener& listener);

  std::string partial_;  // the start of a header (begins with ESC 'P'), under 32 bytes
  bool inBlock_ = false;
  std::string header_;
  size_t dataLength_ = 0;
  size_t dataSeen_ = 0;
  std::string dataStart_;
};

}  // namespace kv71p::emulator
