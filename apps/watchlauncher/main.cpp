// Watchlauncher <queue>
//
// Opens the status window of a KV-71P print queue: takes the printer's
// serial number from the queue's device URI and starts Printwatch with it
// and the printer's name, unless a window for that printer is already
// open, then quits. Without a queue name it quits at once. Exit status: 0
// when the window was started or is already open, 1 when the argument names
// no KV-71P queue, 2 when the status window program could not be started
// (with one line on standard error).
#include "apps/watchlauncher/AppDelegate.h"

int main(int argc, char** argv) {
  kv71p::watchlauncher::AppDelegate delegate;
  const kv71p::watchlauncher::LaunchOutcome outcome =
      delegate.applicationDidFinishLaunching(argc > 1 ? argv[1] : nullptr);
  delegate.applicationWillTerminate();
  return kv71p::watchlauncher::LaunchExitStatus(outcome);
}
