// Checks the bytes of one command block in stream order, so that the first
// malformed byte is found even while the block is still arriving: the
// framing (ESC 'P', a known command and parameter, the length field), the
// size and text of fixed data, and every field of a plane image's BMP
// header and grey palette.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/decoder/StreamBlock.h"

namespace kv71p {

// Plane images: the BMP part in front of the pixels (file and information
// headers, palette, padding), the print head's width in dots, and the
// pixels per metre of 300 and 600 dpi.
inline constexpr int kBmpPartSize = 1088;
inline constexpr int kPlanePixelOffset = kCmdHeaderSize + kBmpPartSize;  // 1120
inline constexpr int kPlaneWidth = 2560;
inline constexpr int kPixelsPerMetre300 = 11811;
inline constexpr int kPixelsPerMetre600 = 23622;

// Checks the first `available` bytes of the block that starts at stream
// offset `blockOffset` (only the first 1120 bytes are ever examined; pixel
// bytes are free). Returns true when nothing is wrong so far; otherwise
// fills `error` with the stream offset of the first malformed byte.
bool CheckBlockPrefix(const unsigned char* block, size_t available, uint64_t blockOffset,
                      StreamError* error);

// Size of the whole block (header plus data) from a checked 32-byte header.
size_t BlockSize(const unsigned char* header);

}  // namespace kv71p
