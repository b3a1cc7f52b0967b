// The service's record of one attached printer. The printer's worker owns
// every member but `stop`, which the removal handler sets; the printer
// table owns the record and frees it once the worker has ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "common/SerialNumber.h"
#include "platform/usb/UsbDevice.h"
#include "service/StopRequest.h"

namespace kv71p::service {

// Where the printer's print queue stands.
enum class QueueState {
  Pending,     // not found or created yet; tried in every pass that is due
  Registered,  // found, or created by lpadmin
  NotWanted,   // the serial number is empty: a queue could never be recognised
};

struct PrinterRecord {
  explicit PrinterRecord(std::shared_ptr<kv71p::UsbDevice> attached)
      : deviceId(attached ? attached->Id() : 0), device(std::move(attached)) {}
  PrinterRecord(const PrinterRecord&) = delete;
  PrinterRecord& operator=(const PrinterRecord&) = delete;

  const uint64_t deviceId;                   // names the printer in its removal event
  std::shared_ptr<kv71p::UsbDevice> device;  // released by the worker when it ends
  StopRequest stop;                          // set when the printer is removed

  std::string serialNo;  // in the suite's form (common/SerialNumber.h)
  std::string model;     // the IEEE 1284 model name
  bool serialKnown = false;
  bool modelKnown = false;
  QueueState queue = QueueState::Pending;
  // Earliest time of the next queue registration after a failed lpadmin.
  std::chrono::steady_clock::time_point nextQueueAttempt{};
  uint32_t flagBits = 0;  // the flag-file bits of the current cycle
  // The last refusal of the serial number that was logged, so that a
  // printer refused every cycle is logged once.
  SerialRefusal loggedRefusal = SerialRefusal::None;
  // Why the hand-over lock could not be had, as last logged.
  std::string loggedLockFailure;
};

}  // namespace kv71p::service
