// One soak run, in three phases:
//
// 1. setup: the emulator, a private cupsd with the suite's filter and
//    backend, infokv71p; the service's idle thread and descriptor counts;
//    every printer attached once, until the service has made its queue and
//    written its information file; the photo printed by the jobs;
// 2. the random phase (--seconds): printers plugged in and out, flags,
//    status windows, jobs with faults; the long-running programs sampled
//    from /proc every few seconds;
// 3. the end: jobs run out, windows closed, flags removed; every printer
//    detached (the service back to its idle threads), then attached again
//    (every information file as a fresh printer's), the queues audited.
#pragma once

#include "tools/testbed/soak/SoakOptions.h"
#include "tools/testbed/soak/SoakReport.h"

namespace kv71p::soak {

// Runs the soak and writes figures and checks into `report`.
void RunSoak(const SoakOptions& options, SoakReport* report);

}  // namespace kv71p::soak
