// Prints written out by hand for the backend's tests: a half print on the
// emulator's default roll (MULTICUT 408) with a cutter setting and three
// planes of two rows, so a job stays a few kilobytes.
#pragma once

#include <string>
#include <vector>

#include "tests/common/HandMadeBlocks.h"

namespace kv71p::test {

inline std::vector<std::string> SmallPrintBlocks() {
  return {handmade::Block("CNTRL", "CUTTER", "00000000"),
          handmade::Block("IMAGE", "MULTICUT", "00000408"),
          handmade::PlainPlane("YPLANE"),
          handmade::PlainPlane("MPLANE"),
          handmade::PlainPlane("CPLANE"),
          handmade::Block("CNTRL", "START")};
}

// `count` such prints in one stream.
inline std::string SmallPrints(int count) {
  std::string stream;
  for (int i = 0; i < count; ++i)
    for (const std::string& block : SmallPrintBlocks()) stream += block;
  return stream;
}

}  // namespace kv71p::test
