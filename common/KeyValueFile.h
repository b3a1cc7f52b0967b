// Lookup in the suite's KEY="value" text files (the printer information
// file and the per-job file).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv71p {

// Reads `path` in pieces of at most 255 characters (a line, or the part of
// a longer line that fits). The first piece that contains `key` anywhere
// matches: its text from the end of `key` to the end of the piece, with every
// double quote and line feed removed, is stored in `value`.
// Returns true on a match; false when the file cannot be opened (or is not a
// regular file) or no piece contains the key.
bool FindKeyValue(const char* path, const char* key, std::string* value);

// The same lookup for several keys in one reading of the file: `values`
// gets one entry per key, the value of the first piece that contains it,
// or nothing when no piece does. False when the file cannot be opened (or
// is not a regular file).
bool FindKeyValues(const char* path, const std::vector<std::string>& keys,
                   std::vector<std::optional<std::string>>* values);

}  // namespace kv71p
