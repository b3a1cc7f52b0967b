// The /proc figures of one long-running program sampled over the run: its
// peak and last values, and whether its memory and descriptors stayed flat.
//
// "Flat" compares two windows of the random phase that lie after its first
// minute: the early one (from 60 s on) and the late one (its last part),
// each as long as min(60 s, half of what follows the first minute). The
// late window's highest value may exceed the early window's highest value
// by at most the tolerance: resident memory by 5 % or 1 MiB, whichever is
// more (allocator caches settle), descriptors by 4. The service holds one
// descriptor per attached printer, so its descriptors are judged less the
// printers attached at the sample (the load), or the random plugging would
// decide. Highest values rather than averages: the load is random, its
// peaks recur, a leak lifts them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tools/testbed/soak/ProcessProbe.h"

namespace kv71p::soak {

struct TimedFigures {
  double second = 0;  // since the start of the random phase (negative before it)
  ProcessFigures figures;
  int load = 0;       // printers attached at the sample
};

struct FlatVerdict {
  bool judged = false;  // false when the phase was too short for two windows
  bool flat = true;
  long earlyPeak = 0, latePeak = 0, tolerance = 0;
};

class ProgramSamples {
 public:
  explicit ProgramSamples(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  // Samples `pid` (nothing when it is gone); true when it was read.
  bool Sample(pid_t pid, double second, int load = 0);

  bool empty() const { return samples_.empty(); }
  long PeakRssKiB() const;  // highest VmHWM (or VmRSS) seen
  const ProcessFigures& Last() const { return samples_.back().figures; }

  // Flatness of resident memory and of descriptors less the load within [0, phaseEnd].
  FlatVerdict MemoryVerdict(double phaseEnd) const;
  FlatVerdict DescriptorVerdict(double phaseEnd) const;

 private:
  template <typename Value, typename Tolerance>
  FlatVerdict Judge(double phaseEnd, Value value, Tolerance tolerance) const;

  std::string name_;
  std::vector<TimedFigures> samples_;
};

}  // namespace kv71p::soak
