#include "common/DeviceCmd.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kv71p {

int MakeCmdHeader(unsigned char* header, const char* command, const char* parameter,
                  int dataLength) {
  std::memset(header, ' ', kCmdHeaderSize);
  header[0] = 0x1B;
  header[1] = 0x50;
  if (command == nullptr) return 3;
  const size_t commandLength = std::strlen(command);
  if (commandLength > kCmdNameSize) return 3;
  std::memcpy(header + kCmdNameOffset, command, commandLength);
  if (parameter != nullptr) {
    const size_t parameterLength = std::strlen(parameter);
    if (parameterLength > kCmdParamSize) return 3;
    std::memcpy(header + kCmdParamOffset, parameter, parameterLength);
  }
  if (dataLength >= 0) {
    char text[32];
    const int textLength = std::snprintf(text, sizeof text, "%08d", dataLength);
    if (textLength != kCmdLengthSize) return 3;
    std::memcpy(header + kCmdLengthOffset, text, kCmdLengthSize);
  }
  return 0;
}

int DeviceCmd::MakeCmd(const char* command, const char* parameter, int dataLength,
                       const void* payload) {
  Free();
  const int n = (dataLength > 0 && payload != nullptr) ? dataLength : 0;
  // The block and its two trailing NUL bytes must fit an int-sized length.
  if (n > INT_MAX - kCmdHeaderSize - 2) return 2;
  const int total = kCmdHeaderSize + n;
  buffer = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(total) + 2));
  if (buffer == nullptr) return 2;
  length = total;
  buffer[total] = 0;
  buffer[total + 1] = 0;

  // Data needs a parameter; the length field stays blank without data.
  int result = (n > 0 && parameter == nullptr)
                   ? 3
                   : MakeCmdHeader(buffer, command, parameter, n > 0 ? n : -1);
  if (result != 0) {
    Free();
    return result;
  }
  if (n > 0) std::memcpy(buffer + kCmdHeaderSize, payload, static_cast<size_t>(n));
  return 0;
}

int DeviceCmd::Free() {
  std::free(buffer);
  buffer = nullptr;
  length = 0;
  return 0;
}

}  // namespace kv71p
