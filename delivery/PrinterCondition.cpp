#include "delivery/PrinterCondition.h"

#include "common/StatusCode.h"

namespace kv71p::delivery {

namespace {

struct StatusCondition {
  int status;
  PrinterCondition condition;
};

// Every status number the printer reports but the system errors, which
// IsSystemError knows.
constexpr StatusCondition kStatusConditions[] = {
    {kStatusIdle, PrinterCondition::Ready},
    {kStatusStandby, PrinterCondition::Ready},
    {kStatusPrinting, PrinterCondition::Printing},
    {kStatusCooling, PrinterCondition::Cooling},
    {kStatusCoolingWait, PrinterCondition::Cooling},
    {kStatusCoverOpen, PrinterCondition::CoverOpen},
    {kStatusNoScrapBox, PrinterCondition::ScrapBoxMissing},
    {kStatusPaperEnd, PrinterCondition::MediaEmpty},
    {kStatusRibbonEnd, PrinterCondition::MarkerSupplyEmpty},
    {kStatusPaperJam, PrinterCondition::MediaJam},
    {kStatusRibbonError, PrinterCondition::RibbonError},
    {kStatusPaperError, PrinterCondition::PaperError},
    {kStatusMediaMismatch, PrinterCondition::MediaMismatch},
    {kStatusUnknown, PrinterCondition::Offline},
};

}  // namespace

PrinterCondition ConditionOfStatus(int status) {
  if (IsSystemError(status)) return PrinterCondition::SystemError;
  for (const StatusCondition& row : kStatusConditions)
    if (row.status == status) return row.condition;
  return PrinterCondition::UnknownStatus;
}

ConditionKind KindOfCondition(PrinterCondition condition) {
  switch (condition) {
    case PrinterCondition::Ready:
      return ConditionKind::CanPrint;
    case PrinterCondition::Printing:
    case PrinterCondition::Cooling:
      return ConditionKind::Busy;
    case PrinterCondition::SystemError:
      return ConditionKind::Fatal;
    case PrinterCondition::Offline:
      return ConditionKind::Offline;
    default:
      return ConditionKind::UserError;
  }
}

}  // namespace kv71p::delivery
