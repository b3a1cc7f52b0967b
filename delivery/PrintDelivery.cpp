#include "delivery/PrintDelivery.h"

#include <algorithm>
#include <thread>

#include "common/StatusCode.h"
#include "common/TextHelpers.h"
#include "service/StatusQueries.h"

namespace kv71p::delivery {

namespace {

DeliveryResult ResultOfLink(LinkResult result) {
  switch (result) {
    case LinkResult::Connected:
      return DeliveryResult::Done;
    case LinkResult::Absent:
      return DeliveryResult::PrinterGone;
    case LinkResult::Refused:
      return DeliveryResult::Refused;
    case LinkResult::Cancelled:
      break;
  }
  return DeliveryResult::Cancelled;
}

// A counter answer ("0001234"): its value, -1 unless it is all digits.
long CounterValue(const char* answer, int64_t length) {
  if (length <= 0 || length > 18) return -1;
  for (int64_t i = 0; i < length; ++i)
    if (answer[i] < '0' || answer[i] > '9') return -1;
  return ParseLong(answer);
}

template <typename Query>
long AskCounter(Query query, UsbInterface* interface, const service::TransferTimeouts& timeouts) {
  char answer[64];
  return CounterValue(answer, query(interface, answer, sizeof answer, timeouts));
}

}  // namespace

PrintDelivery::PrintDelivery(PrinterLink& link, DeliveryObserver& observer,
                             const DeliverySettings& settings)
    : link_(link),
      observer_(observer),
      settings_(settings),
      refresh_(link.identity().serialNo, settings.refreshInterval) {}

void PrintDelivery::SetStatus(int status) {
  if (status == status_) return;
  status_ = status;
  observer_.OnStatus(status, ConditionOfStatus(status));
}

bool PrintDelivery::QueryStatus(int* status) {
  *status = service::GetStatus(link_.interface(), settings_.timeouts);
  if (*status == service::kStatusQueryFailed) return false;
  lostSince_.reset();
  SetStatus(*status);
  return true;
}

long PrintDelivery::ReadTotalCount() {
  return AskCounter(service::GetTotalCount, link_.interface(), settings_.timeouts);
}

void PrintDelivery::ReportSupplies() {
  Supplies supplies;
  supplies.initial = AskCounter(service::GetMediaInitial, link_.interface(), settings_.timeouts);
  supplies.remaining = AskCounter(service::GetMediaRemain, link_.interface(), settings_.timeouts);
  observer_.OnSupplies(supplies);
}

bool PrintDelivery::Pause(std::chrono::milliseconds duration) {
  const Clock::time_point end = Clock::now() + duration;
  for (;;) {
    if (observer_.CancelRequested()) return false;
    if (settings_.refreshInformationFile && link_.connected())
      refresh_.RefreshIfAsked(link_.interface(), link_.identity().model, settings_.timeouts);
    const Clock::time_point now = Clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(settings_.step, end - now));
  }
}

DeliveryResult PrintDelivery::Recover() {
  const Clock::time_point now = Clock::now();
  if (!lostSince_) lostSince_ = now;
  link_.Drop();
  SetStatus(kStatusUnknown);
  // A printer that is still attached but keeps failing is not hammered.
  if (now - lastRecovery_ < settings_.statusPoll && !Pause(settings_.statusPoll))
    return DeliveryResult::Cancelled;
  lastRecovery_ = Clock::now();
  const auto left = settings_.reconnectBound - (Clock::now() - *lostSince_);
  if (left <= Clock::duration::zero()) return DeliveryResult::PrinterGone;
  const uint64_t lostDevice = link_.deviceId();
  const LinkResult linked =
      link_.Connect(std::chrono::duration_cast<std::chrono::milliseconds>(left), observer_);
  // Found on another device: the printer left the bus, came back and
  // answered its serial number. That absence is over; should it go again
  // before its next status answer, the bound counts from then.
  if (linked == LinkResult::Connected && link_.deviceId() != lostDevice) lostSince_.reset();
  return ResultOfLink(linked);
}

DeliveryResult PrintDelivery::ReadStatus(int* status) {
  while (!QueryStatus(status)) {
    const DeliveryResult result = Recover();
    if (result != DeliveryResult::Done) return result;
  }
  return DeliveryResult::Done;
}

DeliveryResult PrintDelivery::Open() {
  const DeliveryResult result = ResultOfLink(link_.Connect(settings_.reconnectBound, observer_));
  if (result != DeliveryResult::Done) return result;
  int status = 0;
  const DeliveryResult answered = ReadStatus(&status);
  if (answered == DeliveryResult::Done) ReportSupplies();
  return answered;
}

DeliveryResult PrintDelivery::WaitUntilReady() {
  std::optional<WaitReason> reported;
  int reportedStatus = -1;
  for (;;) {
    if (observer_.CancelRequested()) return DeliveryResult::Cancelled;
    int status = 0;
    const DeliveryResult answered = ReadStatus(&status);
    if (answered != DeliveryResult::Done) return answered;
    WaitReason reason = WaitReason::PrinterError;
    switch (KindOfCondition(ConditionOfStatus(status))) {
      case ConditionKind::CanPrint:
        return DeliveryResult::Done;
      case ConditionKind::Fatal:
        return DeliveryResult::Stopped;
      case ConditionKind::Busy:
        reason = WaitReason::PrinterBusy;
        break;
      case ConditionKind::UserError:
      case ConditionKind::Offline:
        break;
    }
    if (reported != reason || reportedStatus != status) {
      observer_.OnWaiting(reason, status);
      reported = reason;
      reportedStatus = status;
    }
    if (!Pause(settings_.statusPoll)) return DeliveryResult::Cancelled;
  }
}

bool PrintDelivery::SendBlock(const std::vector<unsigned char>& block, bool* cancelled) {
  size_t done = 0;
  Clock::time_point lastProgress = Clock::now();
  while (done < block.size()) {
    int sent = 0;
    const int r = service::WriteInChunks(link_.interface(), block.data() + done,
                                         static_cast<int>(block.size() - done),
                                         settings_.timeouts.writeMs, &sent);
    done += static_cast<size_t>(sent);
    if (r != service::kTransportOk) return false;
    if (done == block.size()) break;
    // The printer stopped taking bytes (a time-out): the rest of the block
    // follows once it takes them again; a block never goes out in part
    // with another behind it.
    if (sent > 0) lastProgress = Clock::now();
    if (Clock::now() - lastProgress >= settings_.stallBound) return false;
    if (observer_.CancelRequested()) {
      *cancelled = true;
      return false;
    }
    std::this_thread::sleep_for(settings_.step);
  }
  return true;
}

PrintDelivery::SendOutcome PrintDelivery::SendBlocks(const Print& print) {
  for (size_t i = 0; i < print.blocks.size(); ++i) {
    if (observer_.CancelRequested()) return SendOutcome::Cancelled;
    bool cancelled = false;
    if (SendBlock(print.blocks[i], &cancelled)) continue;
    if (cancelled) return SendOutcome::Cancelled;
    return i + 1 == print.blocks.size() ? SendOutcome::LinkLostAtStart : SendOutcome::LinkLost;
  }
  return SendOutcome::Sent;
}

DeliveryResult PrintDelivery::WaitUntilPrinted(long baseline, bool* printed, long* totalCount) {
  // Since when the printer has been ready without counting the print.
  Clock::time_point readySince{};
  bool ready = false;
  bool sawPrinting = false;
  int reportedStatus = -1;
  for (;;) {
    if (!Pause(settings_.printedPoll)) return DeliveryResult::Cancelled;
    int status = 0;
    if (!QueryStatus(&status)) {
      const DeliveryResult result = Recover();
      if (result != DeliveryResult::Done) return result;
      ready = false;
      continue;
    }
    sawPrinting = sawPrinting || status == kStatusPrinting;
    *totalCount = ReadTotalCount();
    if (baseline >= 0 && *totalCount > baseline) {
      *printed = true;
      return DeliveryResult::Done;
    }
    // Without both counts the print counts as printed once the printer was
    // seen printing it and has stopped, or once it has been ready for the
    // grace time: a print is never sent twice on a guess.
    const bool counted = baseline >= 0 && *totalCount >= 0;
    const ConditionKind kind = KindOfCondition(ConditionOfStatus(status));
    if (kind == ConditionKind::Fatal) return DeliveryResult::Stopped;
    if (!counted && sawPrinting && status != kStatusPrinting) {
      *printed = true;
      return DeliveryResult::Done;
    }
    if (kind != ConditionKind::CanPrint) {
      // Printing, cooling, or an error: the print may still come out (or
      // was cut off: that shows once the printer is ready again).
      ready = false;
      if (status != reportedStatus && status != kStatusPrinting)
        observer_.OnWaiting(kind == ConditionKind::Busy ? WaitReason::PrinterBusy
                                                        : WaitReason::PrinterError,
                            status);
      reportedStatus = status;
      continue;
    }
    if (!ready) {
      ready = true;
      readySince = Clock::now();
    }
    if (Clock::now() - readySince >= settings_.notPrintedGrace) {
      *printed = !counted;
      return DeliveryResult::Done;
    }
  }
}

DeliveryResult PrintDelivery::Deliver(const Print& print) {
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    DeliveryResult result = WaitUntilReady();
    if (result != DeliveryResult::Done) return result;
    const long baseline = ReadTotalCount();
    observer_.OnPrintSending(print.number, attempt);
    switch (SendBlocks(print)) {
      case SendOutcome::Cancelled:
        return DeliveryResult::Cancelled;
      case SendOutcome::LinkLost:
        // The printer drops a print whose START it did not get when the
        // claim ends: it is sent again whole.
        result = Recover();
        if (result != DeliveryResult::Done) return result;
        continue;
      case SendOutcome::LinkLostAtStart:
        // The START may have arrived: the counter tells.
        result = Recover();
        if (result != DeliveryResult::Done) return result;
        break;
      case SendOutcome::Sent:
        observer_.OnPrintSent(print.number);
        break;
    }
    bool printed = false;
    long totalCount = -1;
    result = WaitUntilPrinted(baseline, &printed, &totalCount);
    if (result != DeliveryResult::Done) return result;
    if (printed) {
      observer_.OnPrintPrinted(print.number, totalCount);
      ReportSupplies();
      return DeliveryResult::Done;
    }
  }
  return DeliveryResult::NotPrinted;
}

}  // namespace kv71p::delivery
