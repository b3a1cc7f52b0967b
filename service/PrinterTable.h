// The service's table of attached printers: one record and one worker
// thread per printer, filled and emptied by the bus's arrival and removal
// events on the main thread.
#pragma once

#include <pthread.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/usb/UsbBus.h"
#include "service/PrinterRecord.h"

namespace kv71p::service {

class PrinterTable {
 public:
  // What a worker thread runs for its record; it returns once the record's
  // stop request is made.
  using Worker = std::function<void(PrinterRecord*)>;

  explicit PrinterTable(Worker worker);
  // Stops every worker and waits for it.
  ~PrinterTable();
  PrinterTable(const PrinterTable&) = delete;
  PrinterTable& operator=(const PrinterTable&) = delete;

  // Lists a record for the printer, then starts its worker; a printer whose
  // worker cannot start is passed over.
  void PrinterArrived(const std::shared_ptr<kv71p::UsbDevice>& device);
  // Asks the printer's worker to stop, waits for it outside the lock, then
  // frees the record. A printer without a record changes nothing.
  void PrinterLeft(uint64_t deviceId);
  // Hands each event, in order, to PrinterArrived or PrinterLeft.
  void HandleBusEvents(const std::vector<kv71p::UsbEvent>& events);

  size_t size() const;

 private:
  struct Entry {
    std::unique_ptr<PrinterRecord> record;
    pthread_t thread{};
  };

  Worker worker_;
  mutable std::mutex mutex_;  // guards entries_
  std::vector<Entry> entries_;
};

}  // namespace kv71p::service
