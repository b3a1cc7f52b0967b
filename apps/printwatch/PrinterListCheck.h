// The window's question to the print system, "which printers do you
// list?", asked on a thread of its own. A scheduler that accepts the
// connection and never answers keeps libcups waiting for as long as it
// stays silent; on the window's thread that would freeze the window and
// its one-second cycle. Here the window waits a bounded time, and an
// answer that does not come in time counts as no answer at all, like an
// unreachable scheduler.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kv71p::printwatch {

class PrinterListCheck {
 public:
  // Lists the printer names; false when the list could not be obtained.
  using Lister = std::function<bool(std::vector<std::string>* names)>;

  // `lister` runs on the check's own thread, one call at a time.
  explicit PrinterListCheck(Lister lister);
  // Ends the thread; one still waiting for its answer is left to end with
  // the process instead of holding the window's exit up.
  ~PrinterListCheck();
  PrinterListCheck(const PrinterListCheck&) = delete;
  PrinterListCheck& operator=(const PrinterListCheck&) = delete;

  // Asks for a fresh list and waits up to `wait` for it. False when the
  // list could not be obtained, or did not come in time; while an earlier
  // question is still unanswered no new one is asked and the result is
  // false at once.
  bool Names(std::chrono::milliseconds wait, std::vector<std::string>* names);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace kv71p::printwatch
