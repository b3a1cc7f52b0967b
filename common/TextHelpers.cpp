#include "common/TextHelpers.h"

#include <climits>
#include <cstring>

namespace kv71p {

int CutText(char* target, const char* text, int count) {
  if (target == nullptr) return 0;
  if (count < 0) count = 0;
  const size_t n = text ? strnlen(text, static_cast<size_t>(count)) : 0;
  if (n > 0) std::memcpy(target, text, n);
  std::memset(target + n, 0, static_cast<size_t>(count) - n + 1);
  return 0;
}

int CutText(char* target, size_t targetSize, const char* text, int count) {
  if (target == nullptr || targetSize == 0) return 0;
  if (count < 0) count = 0;
  if (static_cast<size_t>(count) > targetSize - 1) count = static_cast<int>(targetSize - 1);
  return CutText(target, text, count);
}

int TextToInt(const char* text, int count) {
  if (static_cast<unsigned>(count) > 511u) return -1;
  char local[512];
  CutText(local, sizeof local, text, count);
  return ParseInt(local);
}

void StoreLE2(unsigned char* where, int value) {
  const unsigned v = static_cast<unsigned>(value);
  where[0] = static_cast<unsigned char>(v & 0xFF);
  where[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void StoreLE4(unsigned char* where, int value) {
  const unsigned v = static_cast<unsigned>(value);
  for (int i = 0; i < 4; ++i) where[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

long ParseLong(const char* text) {
  if (text == nullptr) return 0;
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = (*text++ == '-');
  // Accumulate toward the negative side, which holds the larger magnitude.
  long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    const int digit = *text - '0';
    if (value < (LONG_MIN + digit) / 10) {
      value = LONG_MIN;
      while (text[1] >= '0' && text[1] <= '9') ++text;
      continue;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == LONG_MIN ? LONG_MAX : -value;
}

int ParseInt(const char* text) {
  const long v = ParseLong(text);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

std::string CutUtf8(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Step back over continuation bytes to the start of the cut character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace kv71p
