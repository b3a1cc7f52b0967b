// Status windows (the real Printwatch, Qt offscreen) opened and closed at
// random for some printers, and the beat of each one's cycle.
//
// The observable is the window's test hook: with KV71P_PRINTWATCH_SHOWN_FILE
// set the window rewrites that file after every cycle, its first line the
// number of cycles run ("CYCLE=12"). The soak reads it at every step; each
// time the number moves, the time since the last move divided by the cycles
// run in between is one period. A window keeps its one-second cycle when no
// period exceeds 2.5 s (a late cycle is tolerated on a loaded machine, a
// lost one is not) and its mean period over its life lies within 0.95 s to
// 1.10 s.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/Subprocess.h"
#include "tools/testbed/soak/ProgramSamples.h"
#include "tools/testbed/soak/SoakWorld.h"

namespace kv71p::soak {

inline constexpr double kLongestPeriod = 2.5;
inline constexpr double kShortestMeanPeriod = 0.95, kLongestMeanPeriod = 1.10;

class WindowCycle {
 public:
  // `folder`: where the windows' snapshot files and runtime folder go.
  WindowCycle(SoakWorld& world, std::string folder);
  ~WindowCycle() { CloseAll(); }

  // Opens a window when due (and `opening`), closes the ones due, reads
  // the cycle of every open one.
  void Step(Clock::time_point now, bool opening);
  // Samples the /proc figures of every open window.
  void Sample(double second);
  void CloseAll();

  const ProgramSamples& samples() const { return samples_; }

 private:
  struct Window {
    int printer = 0;
    std::unique_ptr<test::BackgroundProcess> process;
    std::string shownFile;
    Clock::time_point closeAt;
    long cycle = -1;           // last cycle number seen
    long firstCycle = -1;      // first cycle number seen after the start snapshot
    Clock::time_point firstAt, lastAt;
    double longestPeriod = 0;
  };

  void Open(Clock::time_point now);
  void Watch(Window& window, Clock::time_point now);
  void Close(Window& window, Clock::time_point now);

  SoakWorld& world_;
  const std::string folder_, runtimeFolder_;
  std::vector<Window> windows_;
  Clock::time_point nextOpen_{};
  int opened_ = 0;
  ProgramSamples samples_{"Printwatch (all windows)"};
};

}  // namespace kv71p::soak
