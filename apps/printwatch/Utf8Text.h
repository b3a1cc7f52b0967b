// UTF-8 validation for text read from files other processes write.
#pragma once

#include <string>

namespace kv71p::printwatch {

// True when `text` is well-formed UTF-8: no stray continuation bytes, no
// truncated sequences, no overlong forms, no surrogates, nothing above
// U+10FFFF.
bool IsValidUtf8(const std::string& text);

}  // namespace kv71p::printwatch
