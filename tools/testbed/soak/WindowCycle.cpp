#include "tools/testbed/soak/WindowCycle.h"

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "apps/printwatch/ShownTexts.h"

namespace kv71p::soak {

namespace {

constexpr size_t kMostWindows = 2;

std::chrono::milliseconds Millis(double value) {
  return std::chrono::milliseconds(static_cast<long>(value));
}

}  // namespace

WindowCycle::WindowCycle(SoakWorld& world, std::string folder)
    : world_(world), folder_(std::move(folder)), runtimeFolder_(folder_ + "/runtime") {
  mkdir(runtimeFolder_.c_str(), 0700);
}

void WindowCycle::Open(Clock::time_point now) {
  const int printer = world_.Pick(world_.pool.size());
  for (const Window& w : windows_)
    if (w.printer == printer) return;
  const std::string& serial = world_.pool.Serial(printer);
  const SoakQueue* queue = world_.queues.QueueOf(serial);
  if (queue == nullptr) return;
  Window window;
  window.printer = printer;
  window.shownFile = folder_ + "/shown-" + std::to_string(++opened_) + ".txt";
  window.closeAt = now + Millis(world_.Uniform(10000, 40000));
  std::vector<std::string> env = world_.suite.cups()->ClientEnvironment();
  env.insert(env.end(), {"QT_QPA_PLATFORM=offscreen", "KV71P_CACHE_DIR=" + world_.suite.cacheFolder(),
                         std::string(printwatch::kShownFileVariable) + "=" + window.shownFile,
                         "XDG_RUNTIME_DIR=" + runtimeFolder_, "LANGUAGE=en", "LC_ALL=C.UTF-8"});
  window.process = std::make_unique<test::BackgroundProcess>();
  if (!window.process->Start({KV71P_PRINTWATCH_PROGRAM, serial, queue->shownName}, env,
                             folder_ + "/window-" + std::to_string(opened_) + ".log")) {
    world_.tally.windowProblems.push_back(world_.Note(now, "a window for " + serial + " did not start"));
    return;
  }
  ++world_.tally.windowsOpened;
  windows_.push_back(std::move(window));
}

void WindowCycle::Watch(Window& window, Clock::time_point now) {
  const auto shown = printwatch::ParseShownTexts(test::ReadFile(window.shownFile));
  const auto found = shown.find("CYCLE");
  if (found == shown.end()) return;
  const long cycle = std::atol(found->second.c_str());
  if (cycle <= window.cycle) return;
  if (window.firstCycle < 0) {
    // The first cycle seen after the start snapshot begins the count.
    if (cycle >= 1) {
      window.firstCycle = cycle;
      window.firstAt = now;
    }
  } else {
    const double period = std::chrono::duration<double>(now - window.lastAt).count() /
                          static_cast<double>(cycle - window.cycle);
    window.longestPeriod = std::max(window.longestPeriod, period);
  }
  window.cycle = cycle;
  window.lastAt = now;
}

void WindowCycle::Close(Window& window, Clock::time_point now) {
  const std::string& serial = world_.pool.Serial(window.printer);
  SoakTally& tally = world_.tally;
  const bool ranBefore = window.process->Running();
  const int exitStatus = window.process->Stop(SIGTERM, 10);
  if (!ranBefore || exitStatus != 0) {
    ++tally.windowsBadExit;
    tally.windowProblems.push_back(world_.Note(
        now, "the window for " + serial + (ranBefore ? " ended with " + std::to_string(exitStatus) : " ended by itself")));
  }
  const long cycles = window.cycle - window.firstCycle;
  if (window.firstCycle < 0 || cycles < 3) return;  // too short a life to judge
  tally.windowCycles += static_cast<int>(cycles);
  tally.longestCycleGap = std::max(tally.longestCycleGap, window.longestPeriod);
  const double mean = std::chrono::duration<double>(window.lastAt - window.firstAt).count() / cycles;
  if (window.longestPeriod > kLongestPeriod || mean < kShortestMeanPeriod || mean > kLongestMeanPeriod) {
    ++tally.windowsOffBeat;
    tally.windowProblems.push_back(world_.Note(
        now, "the window for " + serial + " ran " + std::to_string(cycles) + " cycles, mean period " +
                 std::to_string(mean) + " s, longest " + std::to_string(window.longestPeriod) + " s"));
  }
}

void WindowCycle::Step(Clock::time_point now, bool opening) {
  for (Window& w : windows_) Watch(w, now);
  for (auto it = windows_.begin(); it != windows_.end();) {
    if (now < it->closeAt && opening) {
      ++it;
      continue;
    }
    Close(*it, now);
    it = windows_.erase(it);
  }
  if (opening && windows_.size() < kMostWindows && now >= nextOpen_) {
    Open(now);
    nextOpen_ = now + Millis(world_.Uniform(5000, 15000));
  }
}

void WindowCycle::Sample(double second) {
  for (Window& w : windows_) samples_.Sample(w.process->pid(), second);
}

void WindowCycle::CloseAll() {
  const Clock::time_point now = Clock::now();
  for (Window& w : windows_) {
    Watch(w, now);
    Close(w, now);
  }
  windows_.clear();
}

}  // namespace kv71p::soak
