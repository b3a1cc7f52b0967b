// One printer command block: a 32-byte header (ESC 'P', 6-byte command name,
// 16-byte parameter, 8-digit data length) optionally followed by data.
// The filter writes these blocks to the printer stream; the status service
// sends them as queries over USB. Both build them with this class.
#pragma once

#include <cstddef>

namespace kv71p {

// Sizes of the block header and its fields.
enum : int {
  kCmdHeaderSize = 32,
  kCmdNameOffset = 2,
  kCmdNameSize = 6,
  kCmdParamOffset = 8,
  kCmdParamSize = 16,
  kCmdLengthOffset = 24,
  kCmdLengthSize = 8,
};

// Fills a 32-byte block header. `parameter` may be null (no parameter);
// `dataLength` < 0 leaves the length field blank (a block without data).
// Returns 0, or 3 when the name or the parameter does not fit its field.
int MakeCmdHeader(unsigned char* header, const char* command, const char* parameter,
                  int dataLength);

class DeviceCmd {
 public:
  DeviceCmd() = default;
  ~DeviceCmd() { Free(); }
  DeviceCmd(const DeviceCmd&) = delete;
  DeviceCmd& operator=(const DeviceCmd&) = delete;

  // Builds one block, replacing any block held before. The block carries
  // data only when dataLength > 0 and payload is not null.
  // Returns 0 (built), 2 (no memory) or 3 (invalid argument); on failure no
  // block is held.
  int MakeCmd(const char* command, const char* parameter, int dataLength, const void* payload);

  // Releases the block; returns 0.
  int Free();

  unsigned char* buffer = nullptr;  // the block plus two NUL bytes behind it
  int length = 0;                   // bytes in the block, 0 when none is held
};

}  // namespace kv71p
