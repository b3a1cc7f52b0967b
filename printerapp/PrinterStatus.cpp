#include "printerapp/PrinterStatus.h"

#include <cstring>

namespace kv71p::printerapp {

namespace {

using delivery::PrinterCondition;

constexpr ConditionReason kConditionReasons[] = {
    {PrinterCondition::Ready, PAPPL_PREASON_NONE, ""},
    {PrinterCondition::Printing, PAPPL_PREASON_NONE, "printer busy: waiting until it has printed"},
    {PrinterCondition::Cooling, PAPPL_PREASON_NONE, "cooling down: printing goes on shortly"},
    {PrinterCondition::CoverOpen, PAPPL_PREASON_COVER_OPEN, "cover open: close the cover"},
    {PrinterCondition::ScrapBoxMissing, PAPPL_PREASON_OTHER, "no scrap box: insert the scrap box"},
    {PrinterCondition::MediaEmpty, PAPPL_PREASON_MEDIA_EMPTY, "paper end: load paper"},
    {PrinterCondition::MarkerSupplyEmpty, PAPPL_PREASON_MARKER_SUPPLY_EMPTY,
     "ribbon end: replace the ink ribbon"},
    {PrinterCondition::MediaJam, PAPPL_PREASON_MEDIA_JAM, "paper jam: remove the jammed paper"},
    {PrinterCondition::RibbonError, PAPPL_PREASON_OTHER, "ribbon error: load the ink ribbon again"},
    {PrinterCondition::PaperError, PAPPL_PREASON_OTHER, "paper error: load the paper again"},
    {PrinterCondition::MediaMismatch, PAPPL_PREASON_MEDIA_NEEDED,
     "media mismatch: load paper and ribbon of the same kind"},
    {PrinterCondition::SystemError, PAPPL_PREASON_OTHER,
     "system error: switch the printer off and on"},
    {PrinterCondition::UnknownStatus, PAPPL_PREASON_OTHER, "printer error: see the printer"},
    {PrinterCondition::Offline, PAPPL_PREASON_OFFLINE, "printer not connected: connect it"},
};

// Every reason a status sets: the others (marker-supply-low, identify ...)
// are left alone.
pappl_preason_t StatusReasons() {
  pappl_preason_t all = PAPPL_PREASON_NONE;
  for (const ConditionReason& row : kConditionReasons) all |= row.reason;
  return all;
}

}  // namespace

const ConditionReason& ReasonOfCondition(PrinterCondition condition) {
  for (const ConditionReason& row : kConditionReasons)
    if (row.condition == condition) return row;
  return kConditionReasons[0];
}

pappl_media_col_t MediaColOf(const MediaSizeRow& row) {
  pappl_media_col_t col{};
  const pwg_media_t* pwg = pwgMediaForPWG(row.pwgName);
  col.size_width = pwg != nullptr ? pwg->width : 0;
  col.size_length = pwg != nullptr ? pwg->length : 0;
  std::strncpy(col.size_name, row.pwgName, sizeof col.size_name - 1);
  std::strncpy(col.source, kMediaSource, sizeof col.source - 1);
  std::strncpy(col.type, kMediaType, sizeof col.type - 1);
  return col;
}

void ShowStatus(pappl_printer_t* printer, int status) {
  const pappl_preason_t reason = ReasonOfCondition(delivery::ConditionOfStatus(status)).reason;
  papplPrinterSetReasons(printer, reason, StatusReasons() & ~reason);
}

void ShowSupplies(pappl_printer_t* printer, const delivery::Supplies& supplies) {
  // Without a colour: PAPPL 1.3.1's web interface has no bar colour for
  // "multi-color" and reads past its table of them.
  pappl_supply_t ribbon{PAPPL_SUPPLY_COLOR_NO_COLOR, "Ink ribbon", true, supplies.LevelPercent(),
                        PAPPL_SUPPLY_TYPE_INK_RIBBON};
  papplPrinterSetSupplies(printer, 1, &ribbon);
  const int level = supplies.LevelPercent();
  const bool low = level >= 0 && level <= kRibbonLowPercent;
  papplPrinterSetReasons(printer, low ? PAPPL_PREASON_MARKER_SUPPLY_LOW : PAPPL_PREASON_NONE,
                         low ? PAPPL_PREASON_NONE : PAPPL_PREASON_MARKER_SUPPLY_LOW);
}

void ShowLoadedMedia(pappl_printer_t* printer, const filter::PerJobValues& loadedMedia) {
  const MediaSizeRow* row = ReadyMediaOf(loadedMedia.mediaSize);
  if (row == nullptr) return;
  pappl_pr_driver_data_t data;
  papplPrinterGetDriverData(printer, &data);
  if (std::strcmp(data.media_ready[0].size_name, row->pwgName) == 0) return;
  pappl_media_col_t ready = MediaColOf(*row);
  papplPrinterSetReadyMedia(printer, 1, &ready);
}

void ShowReading(pappl_printer_t* printer, const PrinterReading& reading) {
  ShowStatus(printer, reading.status);
  ShowSupplies(printer, reading.supplies);
  ShowLoadedMedia(printer, reading.loadedMedia);
}

}  // namespace kv71p::printerapp
