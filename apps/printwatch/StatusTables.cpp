#include "apps/printwatch/StatusTables.h"

#include <cstdio>

namespace kv71p::printwatch {

namespace {

struct StatusRow {
  int code;
  StatusIcon icon;
};

constexpr StatusRow kStatusTable[] = {
    {0, StatusIcon::Idle},           {1, StatusIcon::Printing},
    {500, StatusIcon::Cooling},      {900, StatusIcon::Idle},
    {1000, StatusIcon::CoverOpen},   {1010, StatusIcon::NoScrapBox},
    {1100, StatusIcon::PaperEnd},    {1200, StatusIcon::RibbonEnd},
    {1300, StatusIcon::PaperJam},    {1400, StatusIcon::RibbonErr},
    {1500, StatusIcon::PaperErr},    {1600, StatusIcon::SystemErr01},
    {2000, StatusIcon::SystemErr01}, {2100, StatusIcon::SystemErr01},
    {2200, StatusIcon::SystemErr01}, {2300, StatusIcon::SystemErr01},
    {2400, StatusIcon::SystemErr01}, {2500, StatusIcon::SystemErr01},
    {2600, StatusIcon::SystemErr01}, {2610, StatusIcon::SystemErr01},
    {2700, StatusIcon::SystemErr01}, {2800, StatusIcon::SystemErr01},
    {3000, StatusIcon::SystemErr01}, {99999, StatusIcon::Offline},
};

// Message codes with a text, as closed ranges.
constexpr int kMessageRanges[][2] = {{1, 6}, {100, 108}, {200, 210}};

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

std::string FiveDigitKey(const char* prefix, int code) {
  char key[32];
  std::snprintf(key, sizeof key, "%s%05d", prefix, code);
  return key;
}

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
  return false;
}

std::string StatusKey(int code) { return FiveDigitKey("st_", code); }

bool HasMessageText(int code) {
  for (const auto& range : kMessageRanges) {
    if (code >= range[0] && code <= range[1]) return true;
  }
  return false;
}

std::string MessageKey(int code) { return FiveDigitKey("ms_", code); }

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
  for (const auto& range : kMessageRanges) {
    for (int code = range[0]; code <= range[1]; ++code) keys.push_back(MessageKey(code));
  }
  return keys;
}

}  // namespace kv71p::printwatch
