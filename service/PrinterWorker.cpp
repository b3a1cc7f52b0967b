#include "service/PrinterWorker.h"

#include <cstdio>
#include <vector>

#include "common/SerialNumber.h"
#include "delivery/PrinterLock.h"
#include "service/FlagFileScan.h"
#include "service/InformationFile.h"
#include "service/InterfacePass.h"

namespace kv71p::service {

namespace {

// Opens the printer and runs an interface pass on each of its interfaces.
void PassOverDevice(PrinterRecord* record, const WorkerSettings& settings) {
  kv71p::UsbDevice* device = record->device.get();
  int r = device->OpenSeize();
  if (r != kv71p::kUsbSuccess) {
    std::printf("RunPrinterWorker: unable to open device. ret = %08x\n", static_cast<unsigned>(r));
    return;
  }
  std::vector<std::unique_ptr<kv71p::UsbInterface>> interfaces;
  if (device->GetInterfaces(&interfaces) != kv71p::kUsbSuccess) {
    std::printf("RunPrinterWorker: unable to create interface iterator\n");
    device->Close();
    return;
  }
  for (auto& interface : interfaces) {
    if (record->stop.Requested()) break;
    PassOverInterface(interface.get(), record, settings);
    interface.reset();
  }
  r = device->Close();
  if (r != kv71p::kUsbSuccess)
    std::printf("RunPrinterWorker: error closing device - %08x\n", static_cast<unsigned>(r));
}

// Whether this cycle talks to the printer: when a flag file asks for fresh
// data, or while its queue is still to be registered. A printer with its
// queue in place and no flag files is left alone.
bool PassWanted(const PrinterRecord& record) {
  return record.flagBits != 0 || record.queue == QueueState::Pending;
}

// Whether a print job holds the printer (delivery/PrinterLock.h). While the
// service holds the lock itself, no job gets the printer. A lock that
// cannot be had (an unsafe lock folder) is logged once and the cycle goes
// on without it: the interface's claim still keeps a job and a pass apart.
bool HeldByPrintJob(PrinterRecord* record, delivery::PrinterLock* lock) {
  switch (lock->TryTake()) {
    case delivery::LockAttempt::HeldElsewhere:
      return true;
    case delivery::LockAttempt::Unavailable:
      if (record->loggedLockFailure != lock->failure()) {
        record->loggedLockFailure = lock->failure();
        std::printf("RunPrinterWorker: no hand-over lock (%s)\n", lock->failure().c_str());
      }
      return false;
    default:
      return false;
  }
}

void RunCycle(PrinterRecord* record, const WorkerSettings& settings) {
  // Held for the whole cycle. A job that holds the printer answers the flag
  // files itself: its cycles leave the printer and the flags alone (a
  // one-shot flag taken here would be lost to the job).
  // A printer without a usable serial number gets no queue, so no job.
  delivery::PrinterLock lock(record->serialNo);
  if (record->serialKnown && IsUsableSerialNumber(record->serialNo) && HeldByPrintJob(record, &lock))
    return;
  if (record->serialKnown) record->flagBits = ScanFlagFiles(record->serialNo);
  if (PassWanted(*record)) PassOverDevice(record, settings);
  record->flagBits = 0;
}

}  // namespace

void RunPrinterWorker(PrinterRecord* record, const WorkerSettings& settings) {
  while (!record->stop.Requested()) {
    RunCycle(record, settings);
    if (record->stop.WaitFor(settings.cycle)) break;
  }
  // The printer is gone: its file says so until it returns.
  WritePlaceholderFile(record->serialNo);
  record->device.reset();
}

}  // namespace kv71p::service
