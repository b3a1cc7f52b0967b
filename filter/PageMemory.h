// Pixel memory of one page, obtained from the image library's allocator so
// that a bitmap can take it over (MemHandle).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/QlxImgLib_LinuxDef.h"

namespace kv71p::filter {

struct PageMemoryFree {
  void operator()(unsigned char* memory) const { IL_FreeMemory(memory); }
};
using PageMemory = std::unique_ptr<unsigned char, PageMemoryFree>;

// `size` bytes, zero-filled when `zeroed`; null when the memory cannot be
// obtained (or `size` is 0).
PageMemory AllocPageMemory(size_t size, bool zeroed = true);

// Row stride of a 24-bit row of `width` pixels: ((width x 24 + 31) / 32) x 4.
inline uint64_t RowStride24(uint64_t width) { return (width * 24 + 31) / 32 * 4; }

}  // namespace kv71p::filter
