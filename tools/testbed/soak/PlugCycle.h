// The printers without jobs plugged in and out at random, and flag files
// made and removed at random for every printer, as print dialogs and users
// asking for a fresh count would.
#pragma once

#include <set>
#include <string>

#include "tools/testbed/soak/SoakWorld.h"

namespace kv71p::soak {

class PlugCycle {
 public:
  // Printers from `firstIndex` on take part in the plugging; every printer
  // gets flags.
  PlugCycle(SoakWorld& world, int firstIndex) : world_(world), firstIndex_(firstIndex) {}

  void Step(Clock::time_point now);
  // Removes every flag file of every printer, whoever made it.
  void RemoveAllFlags();

 private:
  void Plug(Clock::time_point now);
  void Flag(Clock::time_point now);

  SoakWorld& world_;
  const int firstIndex_;
  Clock::time_point nextPlug_{}, nextFlag_{};
  std::set<std::string> dialogs_;  // print dialog flags made and not yet removed
};

}  // namespace kv71p::soak
