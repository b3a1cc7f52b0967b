// What the soak's parts share: the running suite (emulator, private cupsd,
// infokv71p), the printers, the backend exits, the random sequence and the
// tally.
#pragma once

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "tests/service/ServiceHarness.h"
#include "tools/testbed/soak/BackendExitLog.h"
#include "tools/testbed/soak/PrinterPool.h"
#include "tools/testbed/soak/QueueAudit.h"
#include "tools/testbed/soak/SoakTally.h"

namespace kv71p::soak {

using Clock = std::chrono::steady_clock;

struct SoakWorld {
  test::ServiceHarness& suite;
  PrinterPool& pool;
  BackendExitLog& exits;
  QueueAudit& queues;
  std::mt19937_64& random;
  SoakTally& tally;
  Clock::time_point phaseStart;
  std::string photo;  // the job's document (a PDF)

  // Seconds since the start of the random phase.
  double Second(Clock::time_point when) const {
    return std::chrono::duration<double>(when - phaseStart).count();
  }
  // A uniform draw in [low, high].
  double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); }
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
  bool Chance(double probability) { return Uniform(0, 1) < probability; }
  // A problem line: "[  12.3 s] text".
  std::string Note(Clock::time_point when, const std::string& text) const;
};

}  // namespace kv71p::soak
