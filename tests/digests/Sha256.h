// SHA-256 of a byte string as 64 lowercase hex digits, computed by libcups.
#pragma once

#include <cups/cups.h>

#include <string>

namespace kv71p::test {

inline std::string Sha256Hex(const std::string& bytes) {
  unsigned char hash[32];
  char hex[2 * sizeof hash + 1];
  if (cupsHashData("sha2-256", bytes.data(), bytes.size(), hash, sizeof hash) != sizeof hash)
    return "(no SHA-256 from libcups)";
  return cupsHashString(hash, sizeof hash, hex, sizeof hex);
}

}  // namespace kv71p::test
