#include "printerapp/JobObserver.h"

#include "printerapp/PrinterStatus.h"
#include "printerapp/ShutdownSignal.h"

namespace kv71p::printerapp {

JobObserver::JobObserver(pappl_job_t* job) : job_(job), printer_(papplJobGetPrinter(job)) {}

void JobObserver::Say(const std::string& message, pappl_loglevel_t level) {
  papplLogJob(job_, level, "%s", message.c_str());
  papplJobSetMessage(job_, "%s", message.c_str());
}

void JobObserver::Log(const std::string& line, pappl_loglevel_t level) {
  papplLogJob(job_, level, "%s", line.c_str());
}

void JobObserver::OnReading(const PrinterReading& reading) { ShowReading(printer_, reading); }

bool JobObserver::CancelRequested() {
  return papplJobIsCanceled(job_) || ShutdownSignalled() ||
         papplSystemIsShutdown(papplPrinterGetSystem(printer_));
}

void JobObserver::OnConnected(const delivery::PrinterIdentity& identity) {
  Log("Printer " + identity.serialNo + " opened; device ID \"" + identity.deviceId + "\"");
}

void JobObserver::OnStatus(int status, delivery::PrinterCondition) {
  Log("Printer status " + std::to_string(status));
  ShowStatus(printer_, status);
}

void JobObserver::OnWaiting(delivery::WaitReason reason, int status) {
  switch (reason) {
    case delivery::WaitReason::PrinterAbsent:
      ShowStatus(printer_, kStatusUnknown);
      Say(ReasonOfCondition(delivery::PrinterCondition::Offline).message);
      break;
    case delivery::WaitReason::PrinterRefused:
      Say("printer cannot be opened: trying again");
      break;
    case delivery::WaitReason::PrinterBusy:
    case delivery::WaitReason::PrinterError:
      Say(ReasonOfCondition(delivery::ConditionOfStatus(status)).message);
      break;
  }
}

void JobObserver::OnPrintSending(int number, int attempt) {
  Say((attempt == 1 ? "sending print " : "sending print again: ") + std::to_string(number));
}

void JobObserver::OnPrintSent(int number) { Say("printing print " + std::to_string(number)); }

void JobObserver::OnPrintPrinted(int number, long totalCount) {
  Say("print " + std::to_string(number) + " printed");
  Log("Printer's total count " + std::to_string(totalCount));
}

void JobObserver::OnSupplies(const delivery::Supplies& supplies) { ShowSupplies(printer_, supplies); }

}  // namespace kv71p::printerapp
