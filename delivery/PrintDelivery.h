// Sends prints to the printer of a link and sees each one printed:
//
// - before a print it asks the printer's status and waits while the printer
//   cannot take one (printing, cooling, any error), with a status query
//   every 2 s;
// - it sends the print's blocks with the transport's chunking and
//   time-outs, and looks at the cancel request between two blocks;
// - after the START it waits until the printer has printed the print: its
//   life counter (MNT_RD COUNTER_LIFE) went up;
// - a print the printer did not print (discarded, or cut off by an unplug
//   or an error) is sent again from its first block once the printer can
//   take it; a print the printer printed is never sent twice;
// - a printer that goes away (unplugged, no answer) is looked for again,
//   for the reconnect bound from the moment it went;
// - a system error cannot clear by itself: the delivery stops.
//
// While it holds the printer it answers the flag files with the printer's
// information file (InformationRefresh). Free of CUPS: the backend and the
// printer application both drive it, each through its own observer.
#pragma once

#include <chrono>
#include <optional>

#include "delivery/DeliveryObserver.h"
#include "delivery/DeliverySettings.h"
#include "delivery/InformationRefresh.h"
#include "delivery/Print.h"
#include "delivery/PrinterLink.h"

namespace kv71p::delivery {

enum class DeliveryResult {
  Done,         // Open: the printer answers; Deliver: the printer printed the print
  Cancelled,    // the observer asked to stop
  PrinterGone,  // the printer stayed away longer than the reconnect bound
  Refused,      // the printer is on the bus but refuses to be opened
  Stopped,      // a system error: only restarting the printer clears it
  NotPrinted,   // the printer took the print kMaxAttempts times and printed it never
};

// How often one print is sent before the delivery gives up on it.
inline constexpr int kMaxAttempts = 10;

class PrintDelivery {
 public:
  PrintDelivery(PrinterLink& link, DeliveryObserver& observer, const DeliverySettings& settings);

  // Opens the printer (waiting for it up to the reconnect bound) and tells
  // the observer its status and supplies.
  DeliveryResult Open();
  // Delivers one print (Open first).
  DeliveryResult Deliver(const Print& print);

  // The status number last read; -1 before the first answer.
  int status() const { return status_; }

 private:
  using Clock = std::chrono::steady_clock;
  enum class SendOutcome { Sent, Cancelled, LinkLost, LinkLostAtStart };

  DeliveryResult WaitUntilReady();
  SendOutcome SendBlocks(const Print& print);
  bool SendBlock(const std::vector<unsigned char>& block, bool* cancelled);
  DeliveryResult WaitUntilPrinted(long baseline, bool* printed, long* totalCount);

  // A status query; false when it failed.
  bool QueryStatus(int* status);
  // The status, finding the printer again while the query fails.
  DeliveryResult ReadStatus(int* status);
  // The life counter, -1 when the printer did not tell.
  long ReadTotalCount();
  void ReportSupplies();
  void SetStatus(int status);
  // The link failed: lets the printer go and looks for it again for what
  // is left of the reconnect bound.
  DeliveryResult Recover();
  // Sleeps `duration` in steps, refreshing the information file when asked;
  // false when cancelled.
  bool Pause(std::chrono::milliseconds duration);

  PrinterLink& link_;
  DeliveryObserver& observer_;
  DeliverySettings settings_;
  InformationRefresh refresh_;
  int status_ = -1;
  std::optional<Clock::time_point> lostSince_;  // since when the printer has not answered
  Clock::time_point lastRecovery_{};
};

}  // namespace kv71p::delivery
