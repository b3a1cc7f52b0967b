// Fixed-width text fields and little-endian numbers of the printer protocol,
// and the one decimal parser every program uses for numbers read from
// options, files and printer answers.
#pragma once

#include <cstddef>
#include <string>

namespace kv71p {

// Copies `count` bytes of `text` to `target` and stores a NUL behind them;
// `target` holds count + 1 bytes. The source is never read past its own
// terminating NUL (the rest of the field is then NUL-filled). Returns 0.
int CutText(char* target, const char* text, int count);

// The same, bounded by the size of the target: never writes more than
// `targetSize` bytes, terminator included (nothing when it is 0).
int CutText(char* target, size_t targetSize, const char* text, int count);

// Parses the first `count` bytes of `text` like atoi (leading blanks, a
// sign, digits up to the first non-digit, 0 without digits). Returns -1 when
// `count`, taken as unsigned, exceeds 511.
int TextToInt(const char* text, int count);

// Stores the low 16 / 32 bits of `value` least significant byte first.
void StoreLE2(unsigned char* where, int value);
void StoreLE4(unsigned char* where, int value);

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8
// character.
std::string CutUtf8(const std::string& text, size_t maxBytes);

// atoi without undefined behaviour: leading white space, an optional sign,
// decimal digits up to the first non-digit; 0 when there is no digit; values
// beyond the int range saturate at INT_MIN / INT_MAX. A null text gives 0.
int ParseInt(const char* text);

// The same for long values (the window application's "long integer" reads).
long ParseLong(const char* text);

}  // namespace kv71p
