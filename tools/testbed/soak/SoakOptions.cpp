#include "tools/testbed/soak/SoakOptions.h"

#include <chrono>
#include <cstdlib>

namespace kv71p::soak {

namespace {

// A whole decimal number in [low, high]; false otherwise.
bool ParseBounded(const std::string& text, unsigned long long low, unsigned long long high,
                  unsigned long long* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
    return false;
  *value = std::strtoull(text.c_str(), nullptr, 10);
  return *value >= low && *value <= high;
}

}  // namespace

bool ParseSoakOptions(int argc, char** argv, SoakOptions* options, std::string* problem) {
  options->seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) {
      *problem = name + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    unsigned long long number = 0;
    bool good = true;
    if (name == "--seconds") {
      good = ParseBounded(value, 1, 7 * 24 * 3600, &number);
      options->seconds = static_cast<int>(number);
    } else if (name == "--printers") {
      good = ParseBounded(value, 1, 99, &number);
      options->printers = static_cast<int>(number);
    } else if (name == "--job-printers") {
      good = ParseBounded(value, 0, 99, &number);
      options->jobPrinters = static_cast<int>(number);
    } else if (name == "--seed") {
      good = ParseBounded(value, 0, ~0ull, &number);
      options->seed = number;
    } else if (name == "--report") {
      options->reportFile = value;
    } else {
      *problem = "unknown option " + name;
      return false;
    }
    if (!good) {
      *problem = "bad value for " + name + ": " + value;
      return false;
    }
  }
  if (options->seconds == 0) {
    *problem = "--seconds is needed";
    return false;
  }
  if (options->jobPrinters > options->printers) {
    *problem = "--job-printers cannot exceed --printers";
    return false;
  }
  return true;
}

}  // namespace kv71p::soak
