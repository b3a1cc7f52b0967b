#include "tools/testbed/soak/SoakRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

#include "tests/service/ServiceHarness.h"
#include "tests/support/Subprocess.h"
#include "tools/testbed/soak/JobPrinter.h"
#include "tools/testbed/soak/PlugCycle.h"
#include "tools/testbed/soak/ProgramSamples.h"
#include "tools/testbed/soak/StopRequest.h"
#include "tools/testbed/soak/WindowCycle.h"

namespace kv71p::soak {

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr seconds kSampleInterval(5);
constexpr seconds kQueueLookInterval(10);
constexpr milliseconds kStep(100);
constexpr milliseconds kJobStep(250);
// How long the service may take to let its workers go once every printer is gone.
constexpr double kWorkersGoneSeconds = 30;

std::string Kib(long kib) { return std::to_string(kib) + " KiB"; }

// The programs that live as long as the run, found among our children.
struct LongRunner {
  ProgramSamples samples;
  pid_t pid = -1;
};

class SoakRunner {
 public:
  SoakRunner(const SoakOptions& options, SoakReport* report)
      : options_(options), report_(*report), random_(options.seed),
        pool_(suite_.emulator(), options.printers),
        exits_(""),
        world_{suite_, pool_, exits_, queues_, random_, tally_, Clock::now(), ""} {}

  void Run();

 private:
  bool Setup();
  bool MakePhoto();
  bool AttachAllAndWait(double seconds, const std::vector<std::string>& jobProperties);
  void SampleAll(Clock::time_point now);
  void RandomPhase();
  void RunOutJobs();
  void End();
  void Report();
  // Cancels every job and waits until cupsd has no filter or backend
  // left: stopped with cupsd, they would run on as orphans.
  void StopJobs();
  // Sleeps one step; false once a stop was asked for.
  bool Pause(milliseconds step) {
    std::this_thread::sleep_for(step);
    return !StopRequested();
  }

  const SoakOptions& options_;
  SoakReport& report_;
  test::ServiceHarness suite_;
  TestTempDir scratch_;
  std::mt19937_64 random_;
  PrinterPool pool_;
  BackendExitLog exits_;
  QueueAudit queues_;
  SoakTally tally_;
  SoakWorld world_;
  std::vector<JobPrinter> jobPrinters_;
  std::unique_ptr<PlugCycle> plug_;
  std::unique_ptr<WindowCycle> windows_;
  LongRunner service_{ProgramSamples("infokv71p")}, cupsd_{ProgramSamples("cupsd")},
      emulator_{ProgramSamples("kv71p-emulator")};

  Clock::time_point runStart_ = Clock::now();
  double phaseSeconds_ = 0;
  bool setUp_ = false, interrupted_ = false, jobsRanOut_ = false;
  ProcessFigures serviceIdle_, serviceEnd_;
  bool workersGone_ = false;
  std::vector<std::string> infoFileProblems_;
};

bool SoakRunner::MakePhoto() {
  const std::string png = scratch_ / "photo.png", pdf = scratch_ / "photo.pdf";
  if (test::RunProcess({KV71P_TEST_PHOTO_PROGRAM, "png", "900", "450", png}).exitStatus != 0) return false;
  const test::ProcessResult filtered = test::RunProcess({"cupsfilter", "-m", "application/pdf", png});
  if (filtered.exitStatus != 0 || filtered.out.empty() || !test::WriteFile(pdf, filtered.out)) return false;
  world_.photo = pdf;
  return true;
}

bool SoakRunner::AttachAllAndWait(double seconds, const std::vector<std::string>& jobProperties) {
  for (int i = 0; i < pool_.size(); ++i)
    if (!pool_.Attach(i, i < options_.jobPrinters ? jobProperties : std::vector<std::string>{}))
      return false;
  return test::WaitFor(
      [&] {
        if (StopRequested() || !queues_.Look()) return StopRequested();
        for (int i = 0; i < pool_.size(); ++i)
          if (queues_.QueueOf(pool_.Serial(i)) == nullptr ||
              !test::Exists(suite_.InfoFilePath(pool_.Serial(i))))
            return false;
        return true;
      },
      seconds) && !StopRequested();
}

bool SoakRunner::Setup() {
  chmod(scratch_.path().c_str(), 0755);
  if (!suite_.emulator().Start()) return false;
  test::PrivateCupsd::Options cups;
  cups.filters.push_back({"rastertokv71p", KV71P_FILTER_PROGRAM});
  cups.setEnv = {"KV71P_CACHE_DIR=" + suite_.cacheFolder(),
                 "KV71P_USB_EMULATOR=" + suite_.emulator().socketPath(),
                 "KV71P_LOCK_DIR=" + suite_.lockFolder(),
                 "KV71P_RECONNECT_SECONDS=" + std::to_string(kReconnectSeconds)};
  if (!suite_.StartCups(cups) || !suite_.StartService() || !MakePhoto()) return false;
  exits_ = BackendExitLog(suite_.cups()->root() + "/log/error_log");
  service_.pid = FindChild("infokv71p");
  cupsd_.pid = FindChild("cupsd");
  emulator_.pid = FindChild("kv71p-emulator");
  // The service without printers: its idle threads and descriptors.
  std::this_thread::sleep_for(seconds(2));
  if (!ReadProcessFigures(service_.pid, &serviceIdle_)) return false;
  if (!AttachAllAndWait(180, JobPrinterProperties())) return false;
  for (int i = 0; i < options_.jobPrinters; ++i) jobPrinters_.emplace_back(world_, i);
  plug_ = std::make_unique<PlugCycle>(world_, options_.jobPrinters);
  windows_ = std::make_unique<WindowCycle>(world_, scratch_.path());
  return true;
}

void SoakRunner::SampleAll(Clock::time_point now) {
  const double second = world_.Second(now);
  service_.samples.Sample(service_.pid, second, pool_.AttachedCount());
  for (LongRunner* runner : {&cupsd_, &emulator_}) runner->samples.Sample(runner->pid, second);
  if (windows_) windows_->Sample(second);
}

void SoakRunner::RandomPhase() {
  world_.phaseStart = Clock::now();
  const Clock::time_point end = world_.phaseStart + seconds(options_.seconds);
  Clock::time_point nextSample = world_.phaseStart, nextLook = world_.phaseStart, nextJobStep = world_.phaseStart;
  for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
    if (now >= nextJobStep) {
      exits_.ReadOn();
      for (JobPrinter& printer : jobPrinters_) printer.Step(now, true);
      nextJobStep = now + kJobStep;
    }
    plug_->Step(now);
    windows_->Step(now, true);
    if (now >= nextSample) {
      SampleAll(now);
      nextSample += kSampleInterval;
    }
    if (now >= nextLook) {
      queues_.Look();
      nextLook = now + kQueueLookInterval;
    }
    if (!Pause(kStep)) return;
  }
  phaseSeconds_ = world_.Second(Clock::now());
}

void SoakRunner::RunOutJobs() {
  // No new job, no new window; the running jobs end (or are found stuck).
  Clock::time_point nextSample = Clock::now();
  const Clock::time_point bound = Clock::now() + 2 * kStallBound;
  for (Clock::time_point now = Clock::now(); now < bound; now = Clock::now()) {
    exits_.ReadOn();
    bool idle = true;
    for (JobPrinter& printer : jobPrinters_) {
      printer.Step(now, false);
      idle = idle && printer.Idle();
    }
    windows_->Step(now, false);
    if (now >= nextSample) {
      SampleAll(now);
      nextSample += kSampleInterval;
    }
    if (idle) {
      jobsRanOut_ = true;
      return;
    }
    if (!Pause(kJobStep)) return;
  }
}

void SoakRunner::End() {
  windows_->CloseAll();
  plug_->RemoveAllFlags();
  for (int i = 0; i < pool_.size(); ++i) pool_.Detach(i);
  workersGone_ = test::WaitFor(
      [&] {
        return ReadProcessFigures(service_.pid, &serviceEnd_) && serviceEnd_.threads == serviceIdle_.threads;
      },
      kWorkersGoneSeconds);
  if (StopRequested()) return;
  // Every printer back as a fresh printer: each information file as the
  // service writes it for a printer just plugged in.
  for (int i = 0; i < pool_.size(); ++i) pool_.Attach(i);
  const Clock::time_point deadline = Clock::now() + seconds(60);
  for (int i = 0; i < pool_.size() && !StopRequested(); ++i) {
    const std::string& serial = pool_.Serial(i);
    const double left = std::max(0.5, std::chrono::duration<double>(deadline - Clock::now()).count());
    if (!suite_.WaitForInfoFile(serial, test::DefaultInformationFile(serial), left))
      infoFileProblems_.push_back(serial + ":\n" + suite_.InfoFile(serial));
  }
  queues_.Look();
  SampleAll(Clock::now());
}

void SoakRunner::Run() {
  CatchStopSignals();
  setUp_ = Setup();
  if (setUp_ && !StopRequested()) RandomPhase();
  if (setUp_ && !StopRequested()) RunOutJobs();
  if (setUp_ && !StopRequested()) End();
  interrupted_ = StopRequested();
  StopJobs();
  Report();
}

void SoakRunner::StopJobs() {
  if (suite_.cups() == nullptr || cupsd_.pid < 0) return;
  test::ProcessOptions options;
  options.env = suite_.cups()->ClientEnvironment();
  test::RunProcess({"cancel", "-a"}, options);
  test::WaitFor([&] { return CountChildren(cupsd_.pid) == 0; }, 20);
}

void SoakRunner::Report() {
  const SoakTally& t = tally_;
  SoakReport& r = report_;
  r.Figure("seed", std::to_string(options_.seed));
  r.Figure("random phase", std::to_string(static_cast<long>(phaseSeconds_)) + " s of " +
                               std::to_string(options_.seconds) + " s asked");
  r.Figure("whole run", std::to_string(static_cast<long>(
                            std::chrono::duration<double>(Clock::now() - runStart_).count())) + " s");
  r.Figure("printers (of them with jobs)",
           std::to_string(options_.printers) + " (" + std::to_string(options_.jobPrinters) + ")");
  r.Figure("printers plugged (attaches)", pool_.attachCount());
  r.Figure("jobs submitted", t.jobsSubmitted);
  r.Figure("jobs completed (exit 0)", t.jobsCompleted);
  r.Figure("jobs given back (exit 6, long unplug)", t.jobsRetryExit);
  r.Figure("jobs with another exit", t.jobsWrongExit);
  r.Figure("jobs stuck", t.jobsStalled);
  r.Figure("prints expected (completed jobs)", t.printsExpected);
  r.Figure("prints made (all jobs)", t.printsMade);
  r.Figure("prints lost", t.printsLost);
  r.Figure("prints doubled", t.printsDoubled);
  int faults = 0;
  for (const auto& [kind, count] : t.faults) {
    r.Figure("faults: " + kind, count);
    faults += count;
  }
  r.Figure("faults injected", faults);
  r.Figure("flag files made / removed", std::to_string(t.flagsMade) + " / " + std::to_string(t.flagsRemoved));
  r.Figure("windows opened", t.windowsOpened);
  r.Figure("window cycles judged", t.windowCycles);
  char gap[32];
  std::snprintf(gap, sizeof gap, "%.2f s", t.longestCycleGap);
  r.Figure("longest window period", gap);
  std::vector<const ProgramSamples*> programs = {&service_.samples, &cupsd_.samples, &emulator_.samples};
  if (windows_) programs.push_back(&windows_->samples());
  for (const ProgramSamples* p : programs) {
    if (p->empty()) continue;
    const ProcessFigures& last = p->Last();
    r.Figure(p->name() + " memory peak / final",
             Kib(p->PeakRssKiB()) + " (VmHWM) / " + Kib(last.rssKiB) + " (VmRSS)");
    r.Figure(p->name() + " descriptors / threads at end",
             std::to_string(last.descriptors) + " / " + std::to_string(last.threads));
  }
  r.Figure("infokv71p idle: descriptors / threads",
           std::to_string(serviceIdle_.descriptors) + " / " + std::to_string(serviceIdle_.threads));
  r.Figure("infokv71p all detached: descriptors / threads",
           std::to_string(serviceEnd_.descriptors) + " / " + std::to_string(serviceEnd_.threads));

  const bool finished = setUp_ && !interrupted_;
  r.Check("run finished", finished,
          !setUp_ ? "setup failed: the emulator, cupsd, infokv71p, the photo or the queues"
                  : interrupted_ ? "interrupted by a signal" : "setup, random phase and end");
  r.Check("no print lost", finished && t.printsLost == 0, std::to_string(t.printsLost) + " lost");
  r.Check("no print doubled", finished && t.printsDoubled == 0, std::to_string(t.printsDoubled) + " doubled");
  r.Check("backend exits as the faults explain", finished && t.jobsWrongExit == 0 && t.jobsCompleted > 0,
          std::to_string(t.jobsCompleted) + " exit 0, " + std::to_string(t.jobsRetryExit) +
              " exit 6 after a long unplug, " + std::to_string(t.jobsWrongExit) + " other");
  r.Check("jobs keep finishing (no deadlock)", finished && t.jobsStalled == 0 && jobsRanOut_,
          std::to_string(t.jobsStalled) + " stuck for " + std::to_string(kStallBound.count()) +
              " s" + (jobsRanOut_ ? "; all ended" : "; not all ended at the end"));
  r.Check("windows keep a one-second cycle",
          finished && t.windowsOffBeat == 0 && t.windowsBadExit == 0 && t.windowCycles > 0,
          std::to_string(t.windowsOffBeat) + " off the beat, " + std::to_string(t.windowsBadExit) +
              " not ended cleanly, longest period " + gap);
  r.Check("no worker or thread left behind", finished && workersGone_,
          "threads " + std::to_string(serviceEnd_.threads) + " after all detached, idle " +
              std::to_string(serviceIdle_.threads));
  const FlatVerdict memory = service_.samples.MemoryVerdict(phaseSeconds_);
  const FlatVerdict fds = service_.samples.DescriptorVerdict(phaseSeconds_);
  const auto flatText = [](const FlatVerdict& v, const char* unit) {
    return v.judged ? "late peak " + std::to_string(v.latePeak) + unit + " vs early peak " +
                          std::to_string(v.earlyPeak) + unit + " + " + std::to_string(v.tolerance) + unit
                    : std::string("random phase too short to judge");
  };
  r.Check("infokv71p memory flat after 1 min", finished && memory.judged && memory.flat,
          flatText(memory, " KiB"));
  r.Check("infokv71p descriptors flat after 1 min", finished && fds.judged && fds.flat,
          flatText(fds, "") + " (less printers attached)");
  r.Check("infokv71p descriptors back to idle", finished && serviceEnd_.descriptors == serviceIdle_.descriptors,
          std::to_string(serviceEnd_.descriptors) + " after all detached, idle " +
              std::to_string(serviceIdle_.descriptors));
  r.Check("every information file right at the end", finished && infoFileProblems_.empty(),
          std::to_string(pool_.size() - static_cast<int>(infoFileProblems_.size())) + " of " +
              std::to_string(pool_.size()) + " right");
  const std::vector<std::string> queueProblems = [&] {
    std::vector<std::string> serials;
    for (int i = 0; i < pool_.size(); ++i) serials.push_back(pool_.Serial(i));
    return queues_.Problems(serials);
  }();
  r.Check("one queue per printer, none taken", finished && queueProblems.empty(),
          std::to_string(queues_.count()) + " queues, " + std::to_string(queueProblems.size()) + " problems");
  for (const std::vector<std::string>* lines :
       std::initializer_list<const std::vector<std::string>*>{&t.setupProblems, &t.jobProblems, &t.windowProblems, &queueProblems, &infoFileProblems_})
    for (const std::string& line : *lines) r.Problem(line);
}

}  // namespace

void RunSoak(const SoakOptions& options, SoakReport* report) {
  SoakRunner runner(options, report);
  runner.Run();
}

}  // namespace kv71p::soak
