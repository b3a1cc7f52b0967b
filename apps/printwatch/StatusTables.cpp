#include "apps/printwatch/StatusTables.h"

#include <cstdio>

#include "common/StatusCode.h"

namespace kv71p::printwatch {

namespace {

struct StatusRow {
  int code;
  StatusIcon icon;
};

// Every status with a text of its own, except the system errors, which
// all show the system error icon.
constexpr StatusRow kStatusTable[] = {
    {kStatusIdle, StatusIcon::Idle},
    {kStatusPrinting, StatusIcon::Printing},
    {kStatusCooling, StatusIcon::Cooling},
    {kStatusStandby, StatusIcon::Idle},
    {kStatusCoverOpen, StatusIcon::CoverOpen},
    {kStatusNoScrapBox, StatusIcon::NoScrapBox},
    {kStatusPaperEnd, StatusIcon::PaperEnd},
    {kStatusRibbonEnd, StatusIcon::RibbonEnd},
    {kStatusPaperJam, StatusIcon::PaperJam},
    {kStatusRibbonError, StatusIcon::RibbonErr},
    {kStatusPaperError, StatusIcon::PaperErr},
    {kStatusMediaMismatch, StatusIcon::SystemErr01},
    {kStatusUnknown, StatusIcon::Offline},
};

constexpr MediaSizeRow kSizesKV71P[] = {
    {500, "size_00500", "8x5in"},
    {510, "size_00510", "8x6in"},
    {600, "size_00600", "A5"},
};

constexpr const char* kClassKeys[] = {"mediaDigital", "mediaPremiumDigital", "mediaPurePremium"};

constexpr const char* kIconNames[kStatusIconCount] = {
    "PrtStsCooling",  "PrtStsCoverOpen", "PrtStsIdle",     "PrtStsNoScrapBox",
    "PrtStsOffline",  "PrtStsPaperEnd",  "PrtStsPaperErr", "PrtStsPaperJam",
    "PrtStsPrinting", "PrtStsRibbonEnd", "PrtStsRibbonErr", "PrtStsSystemErr01",
};

}  // namespace

const char* IconName(StatusIcon icon) {
  const int i = static_cast<int>(icon);
  return (i >= 0 && i < kStatusIconCount) ? kIconNames[i] : "";
}

std::string IconFileName(StatusIcon icon) { return std::string(IconName(icon)) + ".png"; }

bool FindStatusIcon(int code, StatusIcon* icon) {
  for (const StatusRow& row : kStatusTable) {
    if (row.code == code) {
      *icon = row.icon;
      return true;
    }
  }
  if (!IsSystemError(code)) return false;
  *icon = StatusIcon::SystemErr01;
  return true;
}

std::string FiveDigitCode(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "%05d", code);
  return text;
}

std::string StatusKey(int code) { return "st_" + FiveDigitCode(code); }

bool HasMessageText(int code) {
  if (code == kMessageMediaUnknown) return true;
  for (const StatusMessage& row : kStatusMessages) {
    if (row.message == code) return true;
  }
  return false;
}

std::string MessageKey(int code) { return "ms_" + FiveDigitCode(code); }

const MediaSizeRow* FindMediaSize(int model, int code) {
  if (model != kModelCode) return nullptr;
  for (const MediaSizeRow& row : kSizesKV71P) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

const char* MediaClassKey(long code) {
  if (code < 1 || code > 3) return nullptr;
  return kClassKeys[code - 1];
}

std::vector<std::string> AllTextKeys() {
  std::vector<std::string> keys = {
      "percent0",        "percent50",          "percent100",
      "statusGroupTitle", "totalCountGroupTitle", "serialNoGroupTitle",
      "firmVersionGroupTitle", "mediaGroupTitle", "update",
      "sheets",
  };
  for (const char* key : kClassKeys) keys.push_back(key);
  for (const MediaSizeRow& row : kSizesKV71P) keys.push_back(row.key);
  for (const StatusRow& row : kStatusTable) keys.push_back(StatusKey(row.code));
  for (const StatusMessage& row : kStatusMessages) {
    if (IsSystemError(row.status)) keys.push_back(StatusKey(row.status));
  }
  for (const StatusMessage& row : kStatusMessages) keys.push_back(MessageKey(row.message));
  keys.push_back(MessageKey(kMessageMediaUnknown));
  return keys;
}

}  // namespace kv71p::printwatch
