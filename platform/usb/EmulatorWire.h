// The text form of the emulator's socket protocol (docs/emulator-protocol.md):
// lines of words, quoted values with escapes, binary data as hex.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kv71p::wire {

// Lower-case hex of `size` bytes.
std::string HexEncode(const void* data, size_t size);
std::string HexEncode(const std::string& bytes);
// Decodes hex (either case); false on an odd length or a non-hex digit.
bool HexDecode(const std::string& hex, std::string* bytes);

// Splits a line into words at spaces and tabs. A double-quoted section
// inside a word keeps its spaces; in it \\ \" \r \n \t and \xHH stand for
// the byte they name. False on an unterminated quote or a bad escape.
bool SplitWords(const std::string& line, std::vector<std::string>* words);

// The inverse: `text` as one word, quoted and escaped when it is empty or
// holds a space, a quote, a backslash or a byte outside 0x21..0x7e.
std::string QuoteWord(const std::string& text);

// "name=value" with the value quoted as needed.
std::string NameValue(const std::string& name, const std::string& value);

// Splits "name=value" at the first '='; false when there is none.
bool SplitNameValue(const std::string& word, std::string* name, std::string* value);

// Strict unsigned decimal (or 0x-prefixed hex) parse within [0, max].
bool ParseNumber(const std::string& text, unsigned long max, unsigned long* value);
// Strict signed decimal parse within int range.
bool ParseInt(const std::string& text, int* value);

}  // namespace kv71p::wire
