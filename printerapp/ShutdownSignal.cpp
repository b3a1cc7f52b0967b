#include "printerapp/ShutdownSignal.h"

#include <signal.h>

namespace kv71p::printerapp {

namespace {

volatile sig_atomic_t signalled = 0;
struct sigaction replacedTerm {};
struct sigaction replacedInt {};

void NoteShutdown(int signalNumber) {
  signalled = 1;
  const struct sigaction& replaced = signalNumber == SIGTERM ? replacedTerm : replacedInt;
  if (replaced.sa_handler == SIG_IGN) return;
  if (replaced.sa_handler != SIG_DFL && replaced.sa_handler != nullptr) {
    replaced.sa_handler(signalNumber);
    return;
  }
  // Nobody had taken it: it ends the program, as it would have.
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

}  // namespace

void WatchShutdownSignals() {
  struct sigaction note {};
  note.sa_handler = NoteShutdown;
  sigemptyset(&note.sa_mask);
  note.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &note, &replacedTerm);
  sigaction(SIGINT, &note, &replacedInt);
}

bool ShutdownSignalled() { return signalled != 0; }

}  // namespace kv71p::printerapp
