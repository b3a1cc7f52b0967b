// One command block read back from a printer stream, and the description
// of the first malformed byte of a stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"

namespace kv71p {

struct StreamBlock {
  uint64_t offset = 0;                    // stream offset of the block's ESC byte
  const CatalogueEntry* entry = nullptr;  // the catalogue entry it matched
  std::vector<unsigned char> bytes;       // the whole block: header, then data

  bool hasData() const { return bytes.size() > static_cast<size_t>(kCmdHeaderSize); }
  size_t dataLength() const { return hasData() ? bytes.size() - kCmdHeaderSize : 0; }
  const unsigned char* data() const { return bytes.data() + kCmdHeaderSize; }
  // The name and parameter fields without their padding.
  std::string name() const;
  std::string parameter() const;
  bool Is(const char* command, const char* parameterText) const;
};

struct StreamError {
  uint64_t offset = 0;  // stream offset of the first malformed (or missing) byte
  std::string message;
};

}  // namespace kv71p
