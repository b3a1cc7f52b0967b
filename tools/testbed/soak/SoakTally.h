// What the soak counted and what went wrong, filled in by its parts as the
// run goes and read by the report at the end.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kv71p::soak {

struct SoakTally {
  // Jobs.
  int jobsSubmitted = 0;
  int jobsCompleted = 0;        // backend exit 0
  int jobsRetryExit = 0;        // backend exit CUPS_BACKEND_RETRY after a long unplug
  int jobsWrongExit = 0;        // an exit the injected faults do not explain
  int jobsStalled = 0;          // no progress for the stall bound
  int printsExpected = 0;       // prints the completed jobs consist of
  int printsMade = 0;           // prints the printers printed for the jobs
  int printsLost = 0;
  int printsDoubled = 0;
  std::map<std::string, int> faults;  // injected faults by kind
  // Windows.
  int windowsOpened = 0;
  int windowCycles = 0;
  double longestCycleGap = 0;   // seconds between two cycles of a window
  int windowsOffBeat = 0;       // windows whose cycle left the one-second beat
  int windowsBadExit = 0;       // windows that did not end cleanly when closed
  // Flags.
  int flagsMade = 0;
  int flagsRemoved = 0;
  // Problems, each one line with the moment it was seen.
  std::vector<std::string> jobProblems, windowProblems, queueProblems, setupProblems;
};

}  // namespace kv71p::soak
