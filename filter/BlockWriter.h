// Where the command blocks of a job go. The page buffer and the setting
// commands write every block through this interface; the filter writes to
// a file descriptor (FdBlockWriter), the printer application collects each
// print in memory and hands it on whole.
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

  // Ends one print: its finishing commands, "MULTICUT", planes and "START"
  // were the writes since the end of the one before. A writer that hands
  // prints on one at a time does it here (and fails when that fails); a
  // stream has nothing to do. False when the output has failed.
  virtual bool EndPrint() { return !Failed(); }
};

// Writes the block held by `cmd` (nothing when it holds none).
inline bool WriteCommand(BlockWriter& output, const DeviceCmd& cmd) {
  return output.Write(cmd.buffer, cmd.length > 0 ? static_cast<size_t>(cmd.length) : 0);
}

}  // namespace kv71p::filter
