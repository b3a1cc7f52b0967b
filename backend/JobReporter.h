// What a delivery tells, turned into the lines CUPS reads from a backend:
// STATE: keywords for the printer's conditions (set when one begins,
// cleared when it ends), ATTR: supplies, INFO: progress and waits, PAGE:
// for each print. It also keeps the shared printer state that the side
// channel answers from, and passes the cancel request on.
#pragma once

#include <chrono>
#include <set>
#include <string>

#include "backend/SharedPrinterState.h"
#include "delivery/DeliveryObserver.h"

namespace kv71p::backend {

class JobReporter : public delivery::DeliveryObserver {
 public:
  // `printerName` names the printer in messages (its serial number).
  JobReporter(std::string printerName, SharedPrinterState& shared);

  // Clears every keyword the backend owns (a job's start).
  void ClearOwnedKeywords();
  // Clears the keywords this job set, but for a stopping condition (the
  // system error that stopped the queue stays shown).
  void ClearAtEnd(bool keepCondition);
  // A print was read whole from the print data.
  void NotePrintRead(int number, size_t bytes, std::chrono::duration<double> readTime);
  // The print data is used up or failed: nothing is pending.
  void NoteNothingPending();

  bool CancelRequested() override;
  void OnConnected(const delivery::PrinterIdentity& identity) override;
  void OnStatus(int status, delivery::PrinterCondition condition) override;
  void OnWaiting(delivery::WaitReason reason, int status) override;
  void OnPrintSending(int number, int attempt) override;
  void OnPrintSent(int number) override;
  void OnPrintPrinted(int number, long totalCount) override;
  void OnSupplies(const delivery::Supplies& supplies) override;

 private:
  using Clock = std::chrono::steady_clock;
  void ShowCondition(delivery::PrinterCondition condition);
  void CountPage(int number);

  std::string printerName_;
  SharedPrinterState& shared_;
  std::string keyword_;  // the condition keyword set now ("" when none)
  std::set<int> pagesCounted_;
  size_t printBytes_ = 0;
  double readSeconds_ = 0;
  Clock::time_point sendingSince_{};
};

}  // namespace kv71p::backend
