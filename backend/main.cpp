// vexbackend: the CUPS backend of the KV-71P queues, whose device URI is
// "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=<serial number>".
//
//   vexbackend                                        lists the attached printers
//   vexbackend job user title copies options [file]   prints a job
//
// A job takes the printer's hand-over lock (the status service leaves the
// printer alone meanwhile), finds the printer with the URI's serial number
// on the USB bus (the emulated bus when KV71P_USB_EMULATOR is set), writes
// the per-job file for the filter, then reads the filter's command stream
// print by print and delivers each one (delivery/PrintDelivery.h), telling
// CUPS the printer's state and supplies on the way. SIGTERM stops it
// between two blocks; the per-job file goes whatever ends the job.
//
// Exit codes:
//   CUPS_BACKEND_OK             every print printed, or the job cancelled
//   CUPS_BACKEND_FAILED         wrong arguments, a refused serial number, print
//                               data that is not a KV-71P command stream, or a
//                               print the printer would not print
//   CUPS_BACKEND_STOP           a system error of the printer (queue stopped, job kept)
//   CUPS_BACKEND_RETRY          the printer absent, or gone, past the reconnect
//                               bound (KV71P_RECONNECT_SECONDS, default 300 s)
//   CUPS_BACKEND_RETRY_CURRENT  the printer is there but refuses to be opened
#include <cups/backend.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "backend/BackendArguments.h"
#include "backend/CancelSignal.h"
#include "backend/CupsMessages.h"
#include "backend/DeviceDiscovery.h"
#include "backend/JobReporter.h"
#include "backend/PerJobFile.h"
#include "backend/SideChannel.h"
#include "backend/StateKeywords.h"
#include "common/Kv71pConfig.h"
#include "common/SafeFile.h"
#include "delivery/PrintDelivery.h"
#include "delivery/PrintReader.h"
#include "delivery/PrinterLock.h"
#include "service/InformationFile.h"

namespace {

using namespace kv71p;
using namespace kv71p::backend;
using delivery::DeliveryResult;

// Takes the printer's hand-over lock, waiting while the status service (or
// another job) holds it. in: the printer's serial number; out: `lock` held.
// False when the job was cancelled meanwhile. A lock that cannot be had is
// logged and the job goes on without it.
bool TakeHandOverLock(delivery::PrinterLock* lock, const std::string& serialNo) {
  const delivery::LockAttempt attempt = lock->Take(CancelSignalled, [&] {
    Info("Waiting for printer " + serialNo + ": the status service or another job is using it.");
  });
  if (attempt == delivery::LockAttempt::Unavailable)
    Debug("No hand-over lock (" + lock->failure() + "); printing without it.");
  return attempt != delivery::LockAttempt::Cancelled;
}

// Writes the per-job file from the printer's fresh answers. in: the open
// link; out: `file` written (a failure is logged: the filter then waits in
// vain and prints for its default media).
void WritePerJobFile(PerJobFile* file, const delivery::PrinterLink& link) {
  std::string text;
  if (!service::ComposeInformationText(link.interface(), link.identity().serialNo,
                                       link.identity().model, 0, &text) ||
      !file->Write(text))
    Debug("The per-job file cannot be written.");
}

// The exit code of a delivery that ended otherwise than with Done, with its
// message. in: the result, the printer's serial number, the print at hand.
int EndOfDelivery(DeliveryResult result, const std::string& serialNo, int printNumber, int status) {
  switch (result) {
    case DeliveryResult::Done:
    case DeliveryResult::Cancelled:
      return CUPS_BACKEND_OK;
    case DeliveryResult::PrinterGone:
      Error("Printer " + serialNo + " is not connected; the job is tried again later.");
      return CUPS_BACKEND_RETRY;
    case DeliveryResult::Refused:
      Error("Printer " + serialNo + " cannot be opened; the job is tried again.");
      return CUPS_BACKEND_RETRY_CURRENT;
    case DeliveryResult::Stopped:
      // The ERROR: line came with the status.
      Debug("Printer status " + std::to_string(status) + " needs a restart; the queue stops.");
      return CUPS_BACKEND_STOP;
    case DeliveryResult::NotPrinted:
      Error("The printer did not print print " + std::to_string(printNumber) + ".");
      return CUPS_BACKEND_FAILED;
  }
  return CUPS_BACKEND_FAILED;
}

// Opens the print data: the file argument (a plain file, never through a
// link), else standard input (-1 when the file cannot be opened).
int OpenPrintData(const std::string& file) {
  if (file.empty()) return dup(STDIN_FILENO);
  const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
}

// Reads the prints of one copy of the print data and delivers each one.
// in: the print data; in/out: the number of the next print. Returns the
// job's exit code when the job ends here, nothing when every print of the
// copy was printed.
std::optional<int> DeliverPrints(int fd, int* nextNumber, delivery::PrintDelivery* delivery,
                                 JobReporter* reporter, const std::string& serialNo) {
  delivery::PrintReader reader(fd, *nextNumber, CancelSignalled);
  for (;;) {
    const auto readStart = std::chrono::steady_clock::now();
    delivery::Print print;
    switch (reader.Next(&print)) {
      case delivery::ReadOutcome::Print:
        break;
      case delivery::ReadOutcome::End:
        reporter->NoteNothingPending();
        return std::nullopt;
      case delivery::ReadOutcome::Cancelled:
        return CUPS_BACKEND_OK;
      case delivery::ReadOutcome::Failed:
        // A filter cancelled with the job ends its stream wherever it is.
        if (CancelSignalled()) return CUPS_BACKEND_OK;
        Error("The print data is not a KV-71P command stream (" + reader.error() + ").");
        return CUPS_BACKEND_FAILED;
    }
    *nextNumber = print.number + 1;
    reporter->NotePrintRead(print.number, print.ByteCount(),
                            std::chrono::steady_clock::now() - readStart);
    const DeliveryResult result = delivery->Deliver(print);
    if (result != DeliveryResult::Done)
      return EndOfDelivery(result, serialNo, print.number, delivery->status());
  }
}

// The job: lock, printer, per-job file, prints. Returns its exit code.
int PrintJob(const JobArguments& job, JobReporter* reporter, SharedPrinterState* shared) {
  PerJobFile perJobFile(job.jobId);
  SideChannel sideChannel(*shared);
  sideChannel.Start();
  delivery::PrinterLock lock(job.serialNo);
  if (!TakeHandOverLock(&lock, job.serialNo)) return CUPS_BACKEND_OK;

  delivery::DeliverySettings settings;
  settings.reconnectBound = ReconnectBound();
  delivery::PrinterLink link(CreateUsbBus(), job.serialNo, KV71P_USB_VENDOR_ID,
                             KV71P_USB_PRODUCT_ID);
  delivery::PrintDelivery delivery(link, *reporter, settings);
  const DeliveryResult opened = delivery.Open();
  if (opened != DeliveryResult::Done)
    return EndOfDelivery(opened, job.serialNo, 1, delivery.status());
  WritePerJobFile(&perJobFile, link);

  FileDescriptor input(OpenPrintData(job.file));
  if (input.get() < 0) {
    Error("The print data cannot be opened.");
    return CUPS_BACKEND_FAILED;
  }
  int nextNumber = 1;
  for (int copy = 1; copy <= job.copies; ++copy) {
    if (copy > 1 && lseek(input.get(), 0, SEEK_SET) != 0) {
      Error("The print file cannot be read again for the next copy.");
      return CUPS_BACKEND_FAILED;
    }
    const std::optional<int> end =
        DeliverPrints(input.get(), &nextNumber, &delivery, reporter, job.serialNo);
    if (end) return *end;
  }
  Info("Job printed: " + std::to_string(nextNumber - 1) + " prints.");
  return CUPS_BACKEND_OK;
}

int RunJob(const JobArguments& job) {
  SharedPrinterState shared;
  JobReporter reporter(job.serialNo, shared);
  reporter.ClearOwnedKeywords();
  const int exitCode = PrintJob(job, &reporter, &shared);
  // The system error that stopped the queue stays shown.
  reporter.ClearAtEnd(exitCode == CUPS_BACKEND_STOP);
  return exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
  // CUPS reads each message as it is written.
  std::setbuf(stderr, nullptr);
  JobArguments job;
  std::string problem;
  switch (ParseArguments(argc, argv, &job, &problem)) {
    case Invocation::Discovery:
      return ListPrinters();
    case Invocation::Usage:
      std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
      return CUPS_BACKEND_FAILED;
    case Invocation::Refused:
      Error(problem);
      return CUPS_BACKEND_FAILED;
    case Invocation::Job:
      break;
  }
  CatchCancelSignal();
  return RunJob(job);
}
