#include "backend/CancelSignal.h"

#include <signal.h>

namespace kv71p::backend {

namespace {

volatile sig_atomic_t gCancelled = 0;

void OnCancelSignal(int /*signal*/) { gCancelled = 1; }

}  // namespace

void CatchCancelSignal() {
  struct sigaction action = {};
  action.sa_handler = OnCancelSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool CancelSignalled() { return gCancelled != 0; }

}  // namespace kv71p::backend
