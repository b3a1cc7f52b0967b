// The printer as PAPPL shows it: printer-state-reasons from the condition
// of its status (the one table of status numbers in
// delivery/PrinterCondition), the ink ribbon as PAPPL's supply (level =
// prints left over prints on a new roll), and media-ready from the roll
// loaded. Set by the status callback while the printer is idle and by the
// job while it prints.
#pragma once

#include <pappl/pappl.h>

#include "delivery/PrinterCondition.h"
#include "delivery/Supplies.h"
#include "printerapp/DriverTables.h"
#include "printerapp/PrinterReading.h"

namespace kv71p::printerapp {

// One condition as PAPPL shows it, and what a job that waits for it says.
struct ConditionReason {
  delivery::PrinterCondition condition;
  pappl_preason_t reason;  // PAPPL_PREASON_NONE: none shown
  const char* message;     // "paper end: load paper"; empty: no wait
};

// The row of `condition` (every condition has one).
const ConditionReason& ReasonOfCondition(delivery::PrinterCondition condition);

// The ribbon level at and below which it counts as low (marker-supply-low).
inline constexpr int kRibbonLowPercent = 10;

// Media `row` as PAPPL's media record: borderless, on the roll.
pappl_media_col_t MediaColOf(const MediaSizeRow& row);

// Replaces the reasons the printer's status set before with those of
// `status`.
void ShowStatus(pappl_printer_t* printer, int status);
// The ribbon supply and marker-supply-low.
void ShowSupplies(pappl_printer_t* printer, const delivery::Supplies& supplies);
// media-ready (and with it the default media) for the loaded roll, when it
// is known and changed.
void ShowLoadedMedia(pappl_printer_t* printer, const filter::PerJobValues& loadedMedia);
// All three from one reading.
void ShowReading(pappl_printer_t* printer, const PrinterReading& reading);

}  // namespace kv71p::printerapp
