// Where the command blocks of a job go. The page buffer and the setting
// commands write every block through this interface; the filter writes to
// a file descriptor (FdBlockWriter), other programs may provide their own.
#pragma once

#include <cstddef>

#include "common/DeviceCmd.h"

namespace kv71p::filter {

class BlockWriter {
 public:
  virtual ~BlockWriter() = default;

  // Writes `count` bytes as one whole block. False when the output has
  // failed, now or before: once failed, nothing more is written. An empty
  // block writes nothing.
  virtual bool Write(const void* bytes, size_t count) = 0;

  // True once a write has failed.
  virtual bool Failed() const = 0;
};

// Writes the block held by `cmd` (nothing when it holds none).
inline bool WriteCommand(BlockWriter& output, const DeviceCmd& cmd) {
  return output.Write(cmd.buffer, cmd.length > 0 ? static_cast<size_t>(cmd.length) : 0);
}

}  // namespace kv71p::filter
