// What the printer's status number (common/StatusCode.h) means for a print
// job: one table from status numbers to printer conditions. The backend
// turns the conditions into CUPS state keywords, the printer application
// into its printer state reasons.
#pragma once

namespace kv71p::delivery {

enum class PrinterCondition {
  Ready,              // 0 ready, 900 standby
  Printing,           // 1
  Cooling,            // 500, 510: the head cools down, printing goes on by itself
  CoverOpen,          // 1000
  ScrapBoxMissing,    // 1010
  MediaEmpty,         // 1100 paper end
  MarkerSupplyEmpty,  // 1200 ribbon end
  MediaJam,           // 1300 paper jam
  RibbonError,        // 1400
  PaperError,         // 1500
  MediaMismatch,      // 1600 paper and ribbon of different kinds
  SystemError,        // 2000 ... 3000: only restarting the printer clears it
  UnknownStatus,      // a number the table lacks: taken for an error the user clears
  Offline,            // 99999: the query failed, or the printer is gone
};

// How a delivery treats a condition.
enum class ConditionKind {
  CanPrint,   // a print may be sent
  Busy,       // wait: it passes by itself (printing, cooling)
  UserError,  // wait: somebody at the printer clears it
  Fatal,      // it cannot clear by itself: the delivery stops
  Offline,    // no answer: the printer is looked for again
};

PrinterCondition ConditionOfStatus(int status);
ConditionKind KindOfCondition(PrinterCondition condition);

}  // namespace kv71p::delivery
