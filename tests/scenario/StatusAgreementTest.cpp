// Every status number the printer reports, as each program shows it: the
// status window's icon, the backend's printer-state-reasons keyword for the
// CUPS queue and the printer application's PAPPL reason. Each program keeps
// its own table; a status that one of them reads as another condition
// would show the user two different printers.
#include <gtest/gtest.h>

#include <string>

#include "apps/printwatch/StatusTables.h"
#include "backend/StateKeywords.h"
#include "delivery/PrinterCondition.h"
#include "printerapp/PrinterStatus.h"

namespace {

using kv71p::delivery::ConditionOfStatus;

TEST(StatusAgreement, EachStatusMeansTheSameInEveryProgram) {
  const struct {
    int status;
    const char *icon, *keyword;
    pappl_preason_t reason;
  } rows[] = {
      {0, "PrtStsIdle", "", PAPPL_PREASON_NONE},
      {1, "PrtStsPrinting", "", PAPPL_PREASON_NONE},
      {500, "PrtStsCooling", "com.korvale-cooling-report", PAPPL_PREASON_NONE},
      // The window has no row for the cooling wait: it keeps what it showed.
      {510, "(kept)", "com.korvale-cooling-report", PAPPL_PREASON_NONE},
      {900, "PrtStsIdle", "", PAPPL_PREASON_NONE},
      {1000, "PrtStsCoverOpen", "cover-open-error", PAPPL_PREASON_COVER_OPEN},
      {1010, "PrtStsNoScrapBox", "com.korvale-scrap-box-missing-error", PAPPL_PREASON_OTHER},
      {1100, "PrtStsPaperEnd", "media-empty-error", PAPPL_PREASON_MEDIA_EMPTY},
      {1200, "PrtStsRibbonEnd", "marker-supply-empty-error", PAPPL_PREASON_MARKER_SUPPLY_EMPTY},
      {1300, "PrtStsPaperJam", "media-jam-error", PAPPL_PREASON_MEDIA_JAM},
      {1400, "PrtStsRibbonErr", "com.korvale-ribbon-error", PAPPL_PREASON_OTHER},
      {1500, "PrtStsPaperErr", "com.korvale-paper-error", PAPPL_PREASON_OTHER},
      {1600, "PrtStsSystemErr01", "com.korvale-media-mismatch-error", PAPPL_PREASON_MEDIA_NEEDED},
      {2000, "PrtStsSystemErr01", "other-error", PAPPL_PREASON_OTHER},
      {2610, "PrtStsSystemErr01", "other-error", PAPPL_PREASON_OTHER},
      {3000, "PrtStsSystemErr01", "other-error", PAPPL_PREASON_OTHER},
      {99999, "PrtStsOffline", "offline-report", PAPPL_PREASON_OFFLINE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.status);
    const auto condition = ConditionOfStatus(row.status);
    kv71p::printwatch::StatusIcon icon;
    const bool iconFound = kv71p::printwatch::FindStatusIcon(row.status, &icon);
    EXPECT_EQ(row.icon, std::string(iconFound ? kv71p::printwatch::IconName(icon) : "(kept)"));
    const auto* keyword = kv71p::backend::FindConditionKeyword(condition);
    EXPECT_EQ(row.keyword, std::string(keyword != nullptr ? keyword->keyword : ""));
    EXPECT_EQ(row.reason, kv71p::printerapp::ReasonOfCondition(condition).reason);
  }
}

}  // namespace
