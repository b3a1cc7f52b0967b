// What a delivery tells its owner while it works, and how the owner stops
// it. The backend turns these calls into CUPS's STATE:, ATTR:, INFO: and
// PAGE: lines; the printer application into its job and printer state.
// Every call comes on the delivering thread.
#pragma once

#include <string>

#include "delivery/PrinterCondition.h"
#include "delivery/Supplies.h"

namespace kv71p::delivery {

// The printer a link has opened.
struct PrinterIdentity {
  std::string serialNo;  // in the suite's form
  std::string deviceId;  // its IEEE 1284 device ID (empty when it gave none)
  std::string model;     // the device ID's model name
};

// Why a delivery waits.
enum class WaitReason {
  PrinterAbsent,   // not on the bus: looked for every few seconds
  PrinterRefused,  // on the bus, but it could not be opened: tried again
  PrinterBusy,     // printing or cooling down: it goes on by itself
  PrinterError,    // a condition somebody at the printer clears (paper end, cover open ...)
};

class DeliveryObserver {
 public:
  virtual ~DeliveryObserver() = default;

  // Asked between two blocks and during every wait; true ends the delivery
  // at the next such point. A print whose START was not sent is not printed.
  virtual bool CancelRequested() = 0;

  // The link opened the printer.
  virtual void OnConnected(const PrinterIdentity& /*identity*/) {}
  // The printer's status number changed (kStatusUnknown: no answer, or the
  // printer is gone), with its condition.
  virtual void OnStatus(int /*status*/, PrinterCondition /*condition*/) {}
  // A wait begins, or its reason changes; `status` is the status number
  // behind it (kStatusUnknown while the printer is absent).
  virtual void OnWaiting(WaitReason /*reason*/, int /*status*/) {}
  // Print `number` goes to the printer, for the `attempt`-th time.
  virtual void OnPrintSending(int /*number*/, int /*attempt*/) {}
  // Its last block, START, was handed to the printer.
  virtual void OnPrintSent(int /*number*/) {}
  // The printer printed it; `totalCount` is its life counter after it (-1
  // when it did not tell).
  virtual void OnPrintPrinted(int /*number*/, long /*totalCount*/) {}
  // The supplies as read when the printer was opened and after every print.
  virtual void OnSupplies(const Supplies& /*supplies*/) {}
};

}  // namespace kv71p::delivery
