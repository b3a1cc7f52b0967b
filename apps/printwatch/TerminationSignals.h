// SIGINT, SIGTERM and SIGHUP end Printwatch through the application's normal
// termination, so its window flag file is removed as on a closed window (a
// flag left behind would keep every later window for the printer shut).
// The handlers only write a byte into a pipe; the main loop reads it and
// quits.
#pragma once

#include <memory>

class QCoreApplication;
class QSocketNotifier;

namespace kv71p::printwatch {

class TerminationSignals {
 public:
  // Installs the handlers; call before the window flag exists, so a signal
  // that arrives early is held until the main loop runs.
  TerminationSignals();
  // Restores the default handlers.
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // From now on a signal quits `app`'s main loop.
  void QuitOnSignal(QCoreApplication* app);

 private:
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kv71p::printwatch
