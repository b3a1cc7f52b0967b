#include "tools/testbed/soak/StopRequest.h"

#include <signal.h>

namespace kv71p::soak {

namespace {

volatile sig_atomic_t stopRequested = 0;

void NoteStop(int) { stopRequested = 1; }

}  // namespace

void CatchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

}  // namespace kv71p::soak
