// Text forms of command blocks for the decoder's listing and messages.
#pragma once

#include <cstddef>
#include <string>

#include "tools/decoder/StreamBlock.h"

namespace kv71p {

// A header field without its trailing spaces; bytes outside printable
// ASCII are shown as \xNN.
std::string FieldText(const unsigned char* field, size_t size);

// "NAME PARAMETER" of a block header (name alone without a parameter).
std::string BlockTitle(const unsigned char* header);

// Bytes as quoted text, non-printable bytes escaped ("00000120",
// "20250101120000\x0d\x00").
std::string QuotedText(const unsigned char* data, size_t size);

// One listing line: offset, name, parameter, data length ("-" without
// data) and the data itself where it is text; plane images are summed up
// by their size and resolution.
std::string DescribeBlock(const StreamBlock& block);

}  // namespace kv71p
