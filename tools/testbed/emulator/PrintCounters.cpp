#include "tools/testbed/emulator/PrintCounters.h"

#include <cstdio>

namespace kv71p::emulator {

namespace {

// The rolls that hold two small photos side by side, and those photos.
struct HalfPrintRoll {
  unsigned long mediaSize;
  long multiCuts[3];
};
const HalfPrintRoll kHalfPrintRolls[] = {
    {500, {408, 409, -1}},
    {510, {408, 409, 410}},
    {600, {408, 409, 434}},
};

}  // namespace

int HalfPrintsTaken(const std::string& mediaText, long multiCut) {
  unsigned long long media = 0;
  if (multiCut < 0 || !ReadCounter(mediaText, &media)) return 2;
  for (const HalfPrintRoll& roll : kHalfPrintRolls) {
    if (roll.mediaSize != media) continue;
    for (long code : roll.multiCuts)
      if (code == multiCut) return 1;
  }
  return 2;
}

bool ReadCounter(const std::string& text, unsigned long long* value) {
  if (text.empty() || text.size() > 18) return false;
  unsigned long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned long long>(c - '0');
  }
  *value = v;
  return true;
}

std::string CounterText(unsigned long long value, size_t width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*llu", static_cast<int>(width > 20 ? 20 : width), value);
  return text;
}

}  // namespace kv71p::emulator
