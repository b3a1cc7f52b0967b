#include "filter/PageMemory.h"

#include <cstring>

namespace kv71p::filter {

PageMemory AllocPageMemory(size_t size, bool zeroed) {
  if (size == 0) return nullptr;
  PageMemory memory(static_cast<unsigned char*>(IL_AllocMemory(size)));
  if (memory && zeroed) std::memset(memory.get(), 0, size);
  return memory;
}

}  // namespace kv71p::filter
