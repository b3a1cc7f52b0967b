#include "backend/StateKeywords.h"

#include <algorithm>
#include <cstdio>

namespace kv71p::backend {

namespace {

using delivery::PrinterCondition;

constexpr ConditionKeyword kConditionKeywords[] = {
    {PrinterCondition::MediaEmpty, "media-empty-error", "Out of paper: load a new paper roll."},
    {PrinterCondition::MarkerSupplyEmpty, "marker-supply-empty-error",
     "Ribbon used up: replace the ink ribbon."},
    {PrinterCondition::CoverOpen, "cover-open-error", "Cover open: close the printer cover."},
    {PrinterCondition::MediaJam, "media-jam-error",
     "Paper jam: open the cover and remove the jammed paper."},
    {PrinterCondition::RibbonError, "com.korvale-ribbon-error",
     "Ribbon error: check the ink ribbon and load it again."},
    {PrinterCondition::PaperError, "com.korvale-paper-error",
     "Paper error: check the paper and load it again."},
    {PrinterCondition::ScrapBoxMissing, "com.korvale-scrap-box-missing-error",
     "No scrap box: insert the scrap box."},
    {PrinterCondition::MediaMismatch, "com.korvale-media-mismatch-error",
     "Media mismatch: load paper and ink ribbon of the same kind."},
    {PrinterCondition::Cooling, "com.korvale-cooling-report",
     "The printer is cooling down; printing goes on shortly."},
    {PrinterCondition::SystemError, "other-error",
     "System error %d: switch the printer off and on. If the error remains, call service."},
    {PrinterCondition::UnknownStatus, "other-error", "The printer reports status %d."},
    {PrinterCondition::Offline, "offline-report", "The printer is not connected."},
};

}  // namespace

const ConditionKeyword* FindConditionKeyword(PrinterCondition condition) {
  for (const ConditionKeyword& row : kConditionKeywords)
    if (row.condition == condition) return &row;
  return nullptr;
}

std::string ConditionText(int status) {
  const ConditionKeyword* row = FindConditionKeyword(delivery::ConditionOfStatus(status));
  if (row == nullptr) return std::string();
  char text[256];
  std::snprintf(text, sizeof text, row->text, status);
  return text;
}

std::vector<std::string> OwnedKeywords() {
  std::vector<std::string> keywords;
  for (const ConditionKeyword& row : kConditionKeywords)
    if (std::find(keywords.begin(), keywords.end(), row.keyword) == keywords.end())
      keywords.push_back(row.keyword);
  return keywords;
}

}  // namespace kv71p::backend
