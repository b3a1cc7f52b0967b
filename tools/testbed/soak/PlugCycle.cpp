#include "tools/testbed/soak/PlugCycle.h"

#include <unistd.h>

#include <iterator>

#include "common/PrinterFiles.h"

namespace kv71p::soak {

namespace {

// The flags that come and go here; the status windows make their own.
constexpr FlagFile kFlags[] = {FlagFile::PrintDialog, FlagFile::PrintDialogTotalCount,
                               FlagFile::WindowTotalCount};

std::chrono::milliseconds Millis(double value) {
  return std::chrono::milliseconds(static_cast<long>(value));
}

}  // namespace

void PlugCycle::Plug(Clock::time_point now) {
  PrinterPool& pool = world_.pool;
  if (firstIndex_ >= pool.size()) return;
  const int index = firstIndex_ + world_.Pick(pool.size() - firstIndex_);
  const bool done = pool.Attached(index) ? pool.Detach(index) : pool.Attach(index);
  if (!done) world_.tally.setupProblems.push_back(world_.Note(now, "the emulator refused to plug " + pool.Serial(index)));
}

void PlugCycle::Flag(Clock::time_point) {
  // Half the time a print dialog that was open closes; otherwise a flag is made.
  if (!dialogs_.empty() && world_.Chance(0.5)) {
    auto it = dialogs_.begin();
    std::advance(it, world_.Pick(static_cast<int>(dialogs_.size())));
    if (unlink(it->c_str()) == 0) ++world_.tally.flagsRemoved;
    dialogs_.erase(it);
    return;
  }
  const std::string& serial = world_.pool.Serial(world_.Pick(world_.pool.size()));
  const FlagFile flag = kFlags[world_.Pick(3)];
  if (!world_.suite.TouchFlag(serial, flag)) return;
  ++world_.tally.flagsMade;
  if (flag == FlagFile::PrintDialog) dialogs_.insert(world_.suite.FlagPath(serial, flag));
}

void PlugCycle::Step(Clock::time_point now) {
  if (now >= nextPlug_) {
    Plug(now);
    nextPlug_ = now + Millis(world_.Uniform(300, 1500));
  }
  if (now >= nextFlag_) {
    Flag(now);
    nextFlag_ = now + Millis(world_.Uniform(500, 3000));
  }
}

void PlugCycle::RemoveAllFlags() {
  for (int i = 0; i < world_.pool.size(); ++i)
    for (const FlagFileRule& rule : kFlagFileRules)
      unlink(world_.suite.FlagPath(world_.pool.Serial(i), rule.flag).c_str());
}

}  // namespace kv71p::soak
