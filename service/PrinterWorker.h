// The worker of one attached printer: a cycle once a second that looks for
// the printer's flag files and, when there is something to do, makes a pass
// over the printer's interfaces.
#pragma once

#include "service/PrinterRecord.h"
#include "service/WorkerSettings.h"

namespace kv71p::service {

// Runs the cycles until the record's stop request is made, then writes the
// printer's placeholder information file and releases the device. The wait
// between two cycles ends at once when the stop request comes.
void RunPrinterWorker(PrinterRecord* record, const WorkerSettings& settings);

}  // namespace kv71p::service
