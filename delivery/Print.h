// One print of a printer command stream: the blocks from the first block
// after the previous "CNTRL START" up to and including its own "START" (its
// settings, "IMAGE MULTICUT", the three planes and "START"), each block
// whole, as the stream held them. A print is sent to the printer as it
// stands, and again from its first block when the printer did not print it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv71p::delivery {

struct Print {
  int number = 0;       // counts the prints of a job from 1
  uint64_t offset = 0;  // stream offset of its first byte
  std::vector<std::vector<unsigned char>>
      blocks;  // header and data of each block; the last is START

  size_t ByteCount() const {
    size_t bytes = 0;
    for (const auto& block : blocks) bytes += block.size();
    return bytes;
  }
};

}  // namespace kv71p::delivery
