#include "tools/testbed/soak/SoakWorld.h"

#include <cstdio>

namespace kv71p::soak {

std::string SoakWorld::Note(Clock::time_point when, const std::string& text) const {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%7.1f s] ", Second(when));
  return stamp + text;
}

}  // namespace kv71p::soak
