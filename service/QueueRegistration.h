// Every printer the service sees gets a CUPS queue of its own, bound to it
// by the serial number at the end of the queue's device URI
// "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=<serial>".
#pragma once

#include <string>

namespace kv71p::service {

enum class QueueOutcome {
  Found,           // a queue with this printer's device URI exists
  Created,         // lpadmin created the queue
  NoPrinterList,   // the scheduler gave no printer list: nothing was done
  LpadminFailed,   // lpadmin could not start or exited with an error
  NoSerialNumber,  // an empty serial number: no queue could be recognised again
};

struct QueueRegistration {
  QueueOutcome outcome = QueueOutcome::NoPrinterList;
  std::string queue;      // the queue found, or the one lpadmin was asked to create
  int lpadminStatus = 0;  // lpadmin's exit status; -1 when it did not start or end
};

// Looks for this printer's queue and creates one when there is none: the
// base queue when no queue of the suite exists yet, or when another queue
// mentions the serial number and the base queue is free; otherwise the
// next free number. An existing queue is never redefined. Registrations of
// different workers run one after another, so each sees the queues the
// others created.
QueueRegistration RegisterQueue(const std::string& serialNo);

// True when the URI mentions the serial number anywhere; a URI longer than
// 254 bytes counts as not mentioning it.
bool UriMentionsSerial(const std::string& uri, const std::string& serialNo);

}  // namespace kv71p::service
