#include "backend/JobReporter.h"

#include <cstdio>

#include "backend/CancelSignal.h"
#include "backend/CupsMessages.h"
#include "backend/StateKeywords.h"
#include "common/StatusCode.h"

namespace kv71p::backend {

namespace {

// The ink ribbon, the one marker the printer reports: its three dye panels.
constexpr char kMarkerName[] = "Ink ribbon";
constexpr char kMarkerColors[] = "#FFFF00#FF00FF#00FFFF";

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

}  // namespace

JobReporter::JobReporter(std::string printerName, SharedPrinterState& shared)
    : printerName_(std::move(printerName)), shared_(shared) {}

void JobReporter::ClearOwnedKeywords() { ChangeStateReasons('-', OwnedKeywords()); }

void JobReporter::ClearAtEnd(bool keepCondition) {
  if (!keepCondition && !keyword_.empty()) ChangeStateReasons('-', {keyword_});
}

bool JobReporter::CancelRequested() { return CancelSignalled(); }

void JobReporter::ShowCondition(delivery::PrinterCondition condition) {
  const ConditionKeyword* row = FindConditionKeyword(condition);
  const std::string keyword = row != nullptr ? row->keyword : "";
  if (keyword == keyword_) return;
  if (!keyword_.empty()) ChangeStateReasons('-', {keyword_});
  if (!keyword.empty()) ChangeStateReasons('+', {keyword});
  keyword_ = keyword;
}

void JobReporter::OnConnected(const delivery::PrinterIdentity& identity) {
  Debug("Printer " + identity.serialNo + " opened; device ID \"" + identity.deviceId + "\"");
  shared_.Update([&](PrinterSnapshot& s) {
    s.connected = true;
    s.deviceId = identity.deviceId;
  });
}

void JobReporter::OnStatus(int status, delivery::PrinterCondition condition) {
  Debug("Printer status " + std::to_string(status));
  ShowCondition(condition);
  if (condition == delivery::PrinterCondition::SystemError) Error(ConditionText(status));
  shared_.Update([&](PrinterSnapshot& s) {
    s.status = status;
    s.connected = status != kStatusUnknown;
  });
}

void JobReporter::OnWaiting(delivery::WaitReason reason, int status) {
  switch (reason) {
    case delivery::WaitReason::PrinterAbsent:
      ShowCondition(delivery::PrinterCondition::Offline);
      Info("Waiting for printer " + printerName_ + " to be connected.");
      break;
    case delivery::WaitReason::PrinterRefused:
      Info("Printer " + printerName_ + " cannot be opened; trying again.");
      break;
    case delivery::WaitReason::PrinterBusy:
      Info(status == kStatusPrinting ? "Waiting for the printer to finish printing."
                                     : ConditionText(status));
      break;
    case delivery::WaitReason::PrinterError:
      Info(ConditionText(status));
      break;
  }
}

void JobReporter::NotePrintRead(int number, size_t bytes, std::chrono::duration<double> readTime) {
  printBytes_ = bytes;
  readSeconds_ = readTime.count();
  Debug("Print " + std::to_string(number) + ": " + std::to_string(bytes) + " bytes read in " +
        Seconds(readSeconds_));
  shared_.Update([](PrinterSnapshot& s) { s.printPending = true; });
}

void JobReporter::NoteNothingPending() {
  shared_.Update([](PrinterSnapshot& s) { s.printPending = false; });
}

void JobReporter::OnPrintSending(int number, int attempt) {
  sendingSince_ = Clock::now();
  Info(attempt == 1 ? "Sending print " + std::to_string(number) + "."
                    : "Sending print " + std::to_string(number) + " again.");
}

void JobReporter::CountPage(int number) {
  if (pagesCounted_.insert(number).second) ReportPage(number, 1);
}

void JobReporter::OnPrintSent(int number) {
  const double sendSeconds = std::chrono::duration<double>(Clock::now() - sendingSince_).count();
  const double total = readSeconds_ + sendSeconds;
  char rate[64] = "";
  if (total > 0)
    std::snprintf(rate, sizeof rate, " (%.0f MB/s from the print data to the printer)",
                  static_cast<double>(printBytes_) / total / 1e6);
  Debug("Print " + std::to_string(number) + ": " + std::to_string(printBytes_) + " bytes sent in " +
        Seconds(sendSeconds) + rate);
  NoteNothingPending();
  CountPage(number);
  Info("Printing print " + std::to_string(number) + ".");
}

void JobReporter::OnPrintPrinted(int number, long totalCount) {
  NoteNothingPending();
  CountPage(number);
  Info("Print " + std::to_string(number) + " printed.");
  Debug("Printer's total count " + std::to_string(totalCount));
}

void JobReporter::OnSupplies(const delivery::Supplies& supplies) {
  shared_.Update([&](PrinterSnapshot& s) { s.supplies = supplies; });
  SetPrinterAttribute("marker-names", QuotedText(kMarkerName));
  SetPrinterAttribute("marker-types", "ink-ribbon");
  SetPrinterAttribute("marker-colors", kMarkerColors);
  SetPrinterAttribute("marker-levels", std::to_string(supplies.LevelPercent()));
  SetPrinterAttribute("marker-low-levels", std::to_string(kMarkerLowLevel));
  SetPrinterAttribute("marker-high-levels", "100");
  SetPrinterAttribute(
      "marker-message",
      QuotedText(supplies.remaining >= 0 ? std::to_string(supplies.remaining) + " prints left"
                                         : std::string("Prints left unknown")));
}

}  // namespace kv71p::backend
