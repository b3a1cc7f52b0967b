// The launcher's one pass: find the queue it was opened for among the CUPS
// destinations, take the printer's serial number from the queue's device
// URI and the printer's shown name from the print system's printer list,
// and start the status window Printwatch for them, unless a window for that
// serial number is already open.
#pragma once

#include <cups/cups.h>

#include <string>

namespace kv71p::watchlauncher {

// How the pass ended; LaunchExitStatus() turns it into the exit status.
enum class LaunchOutcome {
  NoQueue,           // no queue name, or no KV-71P queue of that name
  Started,           // Printwatch runs for the printer
  WindowAlreadyOpen, // the window flag of the serial number exists
  CannotStart,       // the launch path holds no program that could be run
};

// 0 for Started and WindowAlreadyOpen, 1 for NoQueue, 2 for CannotStart.
int LaunchExitStatus(LaunchOutcome outcome);

// The search through the CUPS destinations for the queue the launcher was
// opened for (UTF-8, zero-terminated), and what became of it.
struct QueueSearch {
  const char* queue = nullptr;
  std::string resourceFolder;
  LaunchOutcome outcome = LaunchOutcome::NoQueue;
};

// The callback given to cupsEnumDests, with `search` a QueueSearch. Returns
// 1 to go on with the next destination while `dest` is not the KV-71P
// queue searched for, else starts the window for it and returns 0 to stop
// the enumeration. `flags` is not used.
int StartWindowForQueue(void* search, unsigned flags, cups_dest_t* dest);

// Starts the status window for `serialNo` and `printerName` from
// `resourceFolder` unless the window flag of the serial number exists.
// When the launch path holds no program, or it cannot be run, starts
// nothing and says so in one line on standard error.
LaunchOutcome StartStatusWindow(const std::string& resourceFolder, const std::string& serialNo,
                                const std::string& printerName);

class AppDelegate {
 public:
  // The whole pass for the queue `queue` (nullptr when none was given,
  // which starts nothing). Shows no error except the one of
  // StartStatusWindow.
  LaunchOutcome applicationDidFinishLaunching(const char* queue);

  // Nothing to do at the end.
  void applicationWillTerminate() {}
};

}  // namespace kv71p::watchlauncher
