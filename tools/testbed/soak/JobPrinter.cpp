#include "tools/testbed/soak/JobPrinter.h"

#include <cups/backend.h>

#include <algorithm>
#include <regex>

#include "tests/support/Subprocess.h"

namespace kv71p::soak {

namespace {

// Faults per second while a job runs.
constexpr double kFaultRate = 0.15;

const char* NameOf(int kind) {
  static const char* const names[] = {"paper end", "cover open", "unplug", "unplug at START",
                                      "long unplug"};
  return names[kind];
}

// The properties of a device that make it the same printer again.
const char* const kCarried[] = {"media", "initial", "remain", "remainhalf", "total", "print-ms", "status"};

}  // namespace

std::vector<std::string> JobPrinterProperties() {
  return {"media=0000500", "print-ms=1500", "initial=000500000", "remain=000499999",
          "remainhalf=000999999"};
}

bool JobPrinter::Cups(const std::vector<std::string>& argv) {
  test::ProcessOptions options;
  options.env = world_.suite.cups()->ClientEnvironment();
  options.timeoutSeconds = 60;
  return test::RunProcess(argv, options).exitStatus == 0;
}

int JobPrinter::Printed(int* events) {
  int printed = 0;
  *events = 0;
  for (unsigned id : world_.pool.Ids(index_)) {
    if (finishedPrinted_.count(id)) {
      printed += finishedPrinted_[id];
      *events += finishedEvents_[id];
      continue;
    }
    const PrintCounts counts = world_.pool.Counts(id);
    printed += counts.printed;
    *events += counts.started + counts.printed + counts.discarded;
    // A device unplugged and done printing changes no more.
    if (id != world_.pool.CurrentId(index_) && !counts.Printing() &&
        !(fault_ && fault_->unpluggedId == id)) {
      finishedPrinted_[id] = counts.printed;
      finishedEvents_[id] = counts.started + counts.printed + counts.discarded;
    }
  }
  return printed;
}

void JobPrinter::Submit(Clock::time_point now) {
  const SoakQueue* queue = world_.queues.QueueOf(Serial());
  nextJobAt_ = now + std::chrono::seconds(5);
  if (queue == nullptr) {
    world_.tally.jobProblems.push_back(world_.Note(now, Serial() + " has no queue to print to"));
    return;
  }
  Job job;
  job.copies = world_.Chance(0.25) ? 2 + world_.Pick(2) : 1;
  test::ProcessOptions options;
  options.env = world_.suite.cups()->ClientEnvironment();
  const test::ProcessResult lp =
      test::RunProcess({"lp", "-d", queue->name, "-n", std::to_string(job.copies), "-o",
                        "PageSize=207x156mm", world_.photo},
                       options);
  std::smatch match;
  if (lp.exitStatus != 0 || !std::regex_search(lp.out, match, std::regex("request id is [^ ]*-([0-9]+)"))) {
    world_.tally.jobProblems.push_back(world_.Note(now, "lp to " + queue->name + " failed: " + lp.err));
    return;
  }
  job.id = std::stoi(match[1].str());
  job.printedBefore = Printed(&job.events);
  job.lastProgress = now;
  lastFaultDraw_ = now;
  job_ = job;
  ++world_.tally.jobsSubmitted;
}

void JobPrinter::Follow(Clock::time_point now) {
  Job& job = *job_;
  int events = 0;
  Printed(&events);
  if (events != job.events) {
    job.events = events;
    job.lastProgress = now;
  }
  job.exit = world_.exits.ExitOf(job.id);
  if (job.exit) {
    // A job the backend gave back would be printed again from its start
    // after the retry interval: this run ends it here.
    if (*job.exit != CUPS_BACKEND_OK) Cups({"cancel", std::to_string(job.id)});
    return;
  }
  if (now - job.lastProgress > kStallBound) {
    job.stalled = true;
    ++world_.tally.jobsStalled;
    world_.tally.jobProblems.push_back(
        world_.Note(now, "job " + std::to_string(job.id) + " on " + Serial() +
                             " made no progress for 3 minutes (faults: " + job.faults + ")"));
    Cups({"cancel", std::to_string(job.id)});
  }
}

void JobPrinter::Judge(Clock::time_point now) {
  const Job& job = *job_;
  int events = 0;
  const int made = Printed(&events) - job.printedBefore;
  SoakTally& tally = world_.tally;
  tally.printsMade += made;
  const std::string what = "job " + std::to_string(job.id) + " on " + Serial() + " (" +
                           std::to_string(job.copies) + " prints, faults: " + job.faults + ")";
  if (job.stalled) return;
  if (*job.exit == CUPS_BACKEND_OK) {
    ++tally.jobsCompleted;
    tally.printsExpected += job.copies;
    tally.printsLost += std::max(0, job.copies - made);
    tally.printsDoubled += std::max(0, made - job.copies);
    if (made != job.copies)
      tally.jobProblems.push_back(world_.Note(now, what + ": printed " + std::to_string(made)));
  } else if (*job.exit == CUPS_BACKEND_RETRY && job.longUnplug) {
    ++tally.jobsRetryExit;
    tally.printsDoubled += std::max(0, made - job.copies);
    if (made > job.copies)
      tally.jobProblems.push_back(world_.Note(now, what + ": printed " + std::to_string(made)));
  } else {
    ++tally.jobsWrongExit;
    tally.jobProblems.push_back(world_.Note(now, what + ": backend exit " + std::to_string(*job.exit)));
    // A queue stopped by the failure is started again for the next job.
    if (const SoakQueue* queue = world_.queues.QueueOf(Serial())) Cups({"cupsenable", queue->name});
  }
}

void JobPrinter::Inject(Clock::time_point now) {
  PrinterPool& pool = world_.pool;
  const double draw = world_.Uniform(0, 1);
  Fault fault;
  fault.kind = draw < 0.3    ? FaultKind::PaperEnd
               : draw < 0.55 ? FaultKind::CoverOpen
               : draw < 0.8  ? FaultKind::Unplug
               : draw < 0.92 ? FaultKind::UnplugAtStart
                             : FaultKind::LongUnplug;
  const bool unplug = fault.kind != FaultKind::PaperEnd && fault.kind != FaultKind::CoverOpen;
  if (unplug && now - pluggedBackAt_ < kPluggedAtLeast) return;
  fault.since = now;
  fault.unpluggedId = pool.CurrentId(index_);
  // Longer than a print (1.5 s), so a print under way has come out when
  // the printer is ready again.
  fault.clearAt = now + std::chrono::milliseconds(static_cast<int>(world_.Uniform(2000, 6000)));
  bool injected = false;
  switch (fault.kind) {
    case FaultKind::PaperEnd:
      injected = pool.Set(index_, {"status=1100"});
      break;
    case FaultKind::CoverOpen:
      injected = pool.Set(index_, {"status=1000"});
      break;
    case FaultKind::UnplugAtStart:
      fault.armed = pool.Set(index_, {"unplug-on=START"});
      if (fault.armed) fault_ = fault;
      return;
    case FaultKind::Unplug:
      fault.clearAt = now + std::chrono::milliseconds(static_cast<int>(world_.Uniform(500, 4000)));
      injected = pool.Detach(index_);
      break;
    case FaultKind::LongUnplug:
      fault.clearAt = now + std::chrono::seconds(kReconnectSeconds + 30);
      injected = pool.Detach(index_);
      job_->longUnplug = injected;
      break;
  }
  if (!injected) return;
  ++world_.tally.faults[NameOf(static_cast<int>(fault.kind))];
  job_->faults += std::string(job_->faults.empty() ? "" : ", ") + NameOf(static_cast<int>(fault.kind));
  fault_ = fault;
}

void JobPrinter::FollowArmed(Clock::time_point now) {
  Fault& fault = *fault_;
  bool fired = world_.pool.LeftByItself(index_);
  if (!fired && Running() && now - fault.since < std::chrono::seconds(20)) return;
  if (!fired) {
    // Given up: no print started meanwhile. Disarmed, unless it fired just now.
    world_.pool.Set(index_, {"unplug-on=none"});
    fired = world_.pool.LeftByItself(index_);
  }
  if (!fired) {
    fault_.reset();
    return;
  }
  fault.armed = false;
  fault.clearAt = now + std::chrono::milliseconds(static_cast<int>(world_.Uniform(500, 3000)));
  ++world_.tally.faults[NameOf(static_cast<int>(fault.kind))];
  if (job_) job_->faults += std::string(job_->faults.empty() ? "" : ", ") + NameOf(static_cast<int>(fault.kind));
}

bool JobPrinter::Clear() {
  PrinterPool& pool = world_.pool;
  switch (fault_->kind) {
    case FaultKind::PaperEnd:
    case FaultKind::CoverOpen:
      return pool.Set(index_, {"status=0"});
    case FaultKind::Unplug:
    case FaultKind::UnplugAtStart:
    case FaultKind::LongUnplug:
      break;
  }
  // The same printer comes back once its print has come out.
  if (pool.Counts(fault_->unpluggedId).Printing()) return false;
  std::map<std::string, std::string> was = pool.Properties(fault_->unpluggedId);
  std::vector<std::string> properties;
  for (const char* name : kCarried) properties.push_back(std::string(name) + "=" + was[name]);
  if (!pool.Attach(index_, properties)) return false;
  pluggedBackAt_ = Clock::now();
  return true;
}

void JobPrinter::StepFault(Clock::time_point now) {
  if (!fault_) {
    const double elapsed = std::chrono::duration<double>(now - lastFaultDraw_).count();
    lastFaultDraw_ = now;
    if (Running() && world_.Chance(kFaultRate * elapsed)) Inject(now);
    return;
  }
  if (fault_->armed) {
    FollowArmed(now);
    return;
  }
  // A fault lasts its time while the job runs; once the job has ended it
  // is cleared at once (a long unplug ends with the backend's give-up).
  if (Running() && now < fault_->clearAt) return;
  if (Clear()) fault_.reset();
}

void JobPrinter::Step(Clock::time_point now, bool submitting) {
  if (Running()) Follow(now);
  StepFault(now);
  if (job_ && !Running() && !fault_) {
    const unsigned current = world_.pool.CurrentId(index_);
    if (current != 0 && world_.pool.Counts(current).Printing()) return;
    Judge(now);
    job_.reset();
    nextJobAt_ = now + std::chrono::milliseconds(static_cast<int>(world_.Uniform(500, 4000)));
  }
  if (!job_ && !fault_ && submitting && now >= nextJobAt_) Submit(now);
}

}  // namespace kv71p::soak
