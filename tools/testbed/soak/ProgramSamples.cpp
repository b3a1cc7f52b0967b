#include "tools/testbed/soak/ProgramSamples.h"

#include <algorithm>

namespace kv71p::soak {

namespace {

constexpr double kSettleSeconds = 60;
constexpr double kLongestWindow = 60;

}  // namespace

bool ProgramSamples::Sample(pid_t pid, double second, int load) {
  ProcessFigures figures;
  if (!ReadProcessFigures(pid, &figures)) return false;
  samples_.push_back({second, figures, load});
  return true;
}

long ProgramSamples::PeakRssKiB() const {
  long peak = 0;
  for (const TimedFigures& s : samples_) peak = std::max({peak, s.figures.hwmKiB, s.figures.rssKiB});
  return peak;
}

template <typename Value, typename Tolerance>
FlatVerdict ProgramSamples::Judge(double phaseEnd, Value value, Tolerance tolerance) const {
  FlatVerdict verdict;
  const double window = std::min(kLongestWindow, (phaseEnd - kSettleSeconds) / 2);
  if (window < 10) return verdict;
  bool early = false, late = false;
  for (const TimedFigures& s : samples_) {
    if (s.second >= kSettleSeconds && s.second < kSettleSeconds + window) {
      verdict.earlyPeak = std::max(verdict.earlyPeak, value(s));
      early = true;
    }
    if (s.second >= phaseEnd - window && s.second <= phaseEnd) {
      verdict.latePeak = std::max(verdict.latePeak, value(s));
      late = true;
    }
  }
  verdict.judged = early && late;
  verdict.tolerance = tolerance(verdict.earlyPeak);
  verdict.flat = !verdict.judged || verdict.latePeak <= verdict.earlyPeak + verdict.tolerance;
  return verdict;
}

FlatVerdict ProgramSamples::MemoryVerdict(double phaseEnd) const {
  return Judge(
      phaseEnd, [](const TimedFigures& s) { return s.figures.rssKiB; },
      [](long early) { return std::max(1024L, early / 20); });
}

FlatVerdict ProgramSamples::DescriptorVerdict(double phaseEnd) const {
  return Judge(
      phaseEnd, [](const TimedFigures& s) { return static_cast<long>(s.figures.descriptors - s.load); },
      [](long) { return 4L; });
}

}  // namespace kv71p::soak
