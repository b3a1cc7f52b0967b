// What a delivery tells, turned into PAPPL's job and printer state: the
// job's message names what the job does or waits for ("paper end: load
// paper"), the printer's state reasons and supplies follow every status
// and supplies reading (PAPPL asks the status callback nothing while a job
// runs). A cancelled job, or a server that is stopping, ends the delivery
// at its next look.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "delivery/DeliveryObserver.h"
#include "printerapp/PrinterReading.h"

namespace kv71p::printerapp {

class JobObserver : public delivery::DeliveryObserver {
 public:
  explicit JobObserver(pappl_job_t* job);

  // The job's message, also logged.
  void Say(const std::string& message, pappl_loglevel_t level = PAPPL_LOGLEVEL_INFO);
  // A line of the job's log only.
  void Log(const std::string& line, pappl_loglevel_t level = PAPPL_LOGLEVEL_DEBUG);
  // A reading of the printer made for the job.
  void OnReading(const PrinterReading& reading);

  bool CancelRequested() override;
  void OnConnected(const delivery::PrinterIdentity& identity) override;
  void OnStatus(int status, delivery::PrinterCondition condition) override;
  void OnWaiting(delivery::WaitReason reason, int status) override;
  void OnPrintSending(int number, int attempt) override;
  void OnPrintSent(int number) override;
  void OnPrintPrinted(int number, long totalCount) override;
  void OnSupplies(const delivery::Supplies& supplies) override;

 private:
  pappl_job_t* job_;
  pappl_printer_t* printer_;
};

}  // namespace kv71p::printerapp
