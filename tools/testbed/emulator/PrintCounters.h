// What one print takes from the printer's counters. The ribbon's count of
// half prints is the primary count; the counters are kept as the answer
// texts the printer gives ("000000246"), so they are read and written back
// with their own width.
#pragma once

#include <cstddef>
#include <string>

namespace kv71p::emulator {

// Half prints a print takes from the ribbon: 1 for a single small photo
// (its MULTICUT code) on a roll (the media size code) that holds two of
// them side by side, 2 for every other print, a print without MULTICUT
// (`multiCut` -1) and an unknown roll included.
int HalfPrintsTaken(const std::string& mediaText, long multiCut);

// A counter text as a number: only decimal digits, at least one. False for
// anything else (such a counter is left alone).
bool ReadCounter(const std::string& text, unsigned long long* value);

// `value` as decimal digits, padded with zeros to `width`.
std::string CounterText(unsigned long long value, size_t width);

}  // namespace kv71p::emulator
