// One printer that gets jobs: one job at a time through the private cupsd
// (lp, the filter, the backend), so every print event of the printer
// between the job's start and end belongs to that job. While a job runs,
// faults are injected at random moments and cleared: paper end, cover
// open, an unplug at a random moment, an unplug as a print's START arrives,
// and an unplug longer than the backend's reconnect bound.
//
// An unplugged printer comes back as the same printer: it is attached again
// only once the print it was printing has come out (a detached emulated
// printer goes on printing), with its counters as they were then.
//
// A job is judged once its backend has ended and its faults are cleared:
// - exit 0: each of its prints printed exactly once (printed events across
//   every plug of the printer, against the job's copies);
// - CUPS_BACKEND_RETRY after a long unplug: no print printed twice (the job
//   is then cancelled, as it would be printed again from the start);
// - any other end, or no progress for the stall bound, is a failure.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "tools/testbed/soak/SoakWorld.h"

namespace kv71p::soak {

// The reconnect bound the backends get (KV71P_RECONNECT_SECONDS).
inline constexpr int kReconnectSeconds = 15;
// After an unplug the printer stays plugged in at least this long before
// the next one: the backend looks for a printer that went every 5 s, and a
// printer plugged back in for less than that may be unplugged again before
// the backend has seen it, which the backend rightly counts as one absence.
inline constexpr std::chrono::seconds kPluggedAtLeast(8);
// A job that makes no progress (no print event, no end) for this long is
// stuck: a deadlock between the service and the backend, or worse.
inline constexpr std::chrono::seconds kStallBound(180);

// The properties a job printer is attached with at first: a roll on which
// every photo of the jobs is one full print, a ribbon that lasts.
std::vector<std::string> JobPrinterProperties();

class JobPrinter {
 public:
  JobPrinter(SoakWorld& world, int index) : world_(world), index_(index) {}

  // One step: submits the next job when due (and `submitting`), follows
  // the running one, injects and clears faults.
  void Step(Clock::time_point now, bool submitting);
  // No job running and no fault left to clear.
  bool Idle() const { return !job_ && !fault_; }

 private:
  enum class FaultKind { PaperEnd, CoverOpen, Unplug, UnplugAtStart, LongUnplug };
  struct Fault {
    FaultKind kind;
    bool armed = false;        // unplug-on=START set, not fired yet
    Clock::time_point since;   // armed or injected at
    Clock::time_point clearAt;
    unsigned unpluggedId = 0;  // the device that was unplugged
  };
  struct Job {
    int id = 0;
    int copies = 1;
    Clock::time_point lastProgress;
    int printedBefore = 0;                  // printed events of the printer at the start
    int events = 0;                         // print events seen so far
    bool longUnplug = false;
    std::optional<int> exit;                // the backend's exit status once it ended
    bool stalled = false;
    std::string faults;                     // the faults injected, for problem lines
  };

  void Submit(Clock::time_point now);
  void Follow(Clock::time_point now);
  void Judge(Clock::time_point now);
  bool Running() const { return job_ && !job_->exit && !job_->stalled; }
  void StepFault(Clock::time_point now);
  void Inject(Clock::time_point now);
  // The armed unplug fired (or not, when it is given up); the fault's state follows.
  void FollowArmed(Clock::time_point now);
  // Ends the fault when it is due; false while it has to wait (an
  // unplugged printer still printing).
  bool Clear();
  // Printed events of the printer's devices, and all its events.
  int Printed(int* events);
  bool Cups(const std::vector<std::string>& argv);
  const std::string& Serial() const { return world_.pool.Serial(index_); }

  SoakWorld& world_;
  const int index_;
  std::optional<Job> job_;
  std::optional<Fault> fault_;
  Clock::time_point nextJobAt_{};
  Clock::time_point lastFaultDraw_{};
  Clock::time_point pluggedBackAt_{};
  std::map<unsigned, int> finishedPrinted_, finishedEvents_;  // detached devices done printing
};

}  // namespace kv71p::soak
