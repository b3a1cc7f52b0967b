#include "tools/decoder/StreamBlock.h"

#include <cstring>

#include "tools/decoder/BlockText.h"

namespace kv71p {

std::string StreamBlock::name() const {
  return bytes.size() >= static_cast<size_t>(kCmdHeaderSize)
             ? FieldText(bytes.data() + kCmdNameOffset, kCmdNameSize)
             : std::string();
}

std::string StreamBlock::parameter() const {
  return bytes.size() >= static_cast<size_t>(kCmdHeaderSize)
             ? FieldText(bytes.data() + kCmdParamOffset, kCmdParamSize)
             : std::string();
}

bool StreamBlock::Is(const char* command, const char* parameterText) const {
  if (entry == nullptr || std::strcmp(entry->command, command) != 0) return false;
  if (entry->parameter == nullptr || parameterText == nullptr)
    return entry->parameter == parameterText;
  return std::strcmp(entry->parameter, parameterText) == 0;
}

}  // namespace kv71p
