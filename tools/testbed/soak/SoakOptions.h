// The command line of kv71p-soak.
#pragma once

#include <cstdint>
#include <string>

namespace kv71p::soak {

struct SoakOptions {
  int seconds = 0;        // length of the random phase
  int printers = 40;      // printers with distinct serial numbers
  int jobPrinters = 4;    // of those, the ones that get jobs
  uint64_t seed = 0;      // the random sequence; drawn from the clock when not given
  std::string reportFile; // where the report is also written (none when empty)
};

// Reads argv into `options`. False, with `problem` set, for a command line
// that is wrong (unknown option, missing or bad number, --seconds missing).
bool ParseSoakOptions(int argc, char** argv, SoakOptions* options, std::string* problem);

inline constexpr char kSoakUsage[] =
    "usage: kv71p-soak --seconds N [--printers 40] [--job-printers 4] [--seed S] [--report FILE]\n";

}  // namespace kv71p::soak
