// The code tables of the status window: printer status codes with their
// text keys and icons, message codes, the media sizes of the KV-71P and the
// media classes. Every visible word is looked up by key in the string table;
// only the half-size names are shown as they stand.
#pragma once

#include <string>
#include <vector>

namespace kv71p::printwatch {

// The model code of the KV-71P; it selects the rows of the media size table.
constexpr int kModelCode = 2;

// The twelve status icons, each a PNG file "PrtSts<Name>.png" in the
// resource folder.
enum class StatusIcon {
  Cooling,
  CoverOpen,
  Idle,
  NoScrapBox,
  Offline,
  PaperEnd,
  PaperErr,
  PaperJam,
  Printing,
  RibbonEnd,
  RibbonErr,
  SystemErr01,
};
constexpr int kStatusIconCount = 12;

// "PrtStsCooling" ... (the file name without ".png").
const char* IconName(StatusIcon icon);
// "PrtStsCooling.png" ...
std::string IconFileName(StatusIcon icon);

// Status code -> icon; false when the code is not in the status table.
bool FindStatusIcon(int code, StatusIcon* icon);
// A code as five digits with leading zeros, as the information file
// writes it: "00006".
std::string FiveDigitCode(int code);
// "st_" and the code as five digits: "st_01100".
std::string StatusKey(int code);

// True for the message codes that have a text: the message of every
// status the printer reports, and kMessageMediaUnknown.
bool HasMessageText(int code);
// "ms_" and the code as five digits: "ms_00108" (kMessageMediaUnknown).
std::string MessageKey(int code);

struct MediaSizeRow {
  int code;               // MEDIA_SIZE value
  const char* key;        // size text key
  const char* halfSize;   // half-size name, shown as it stands
};
// The row of `code` in the media size table of `model`; null when the model
// has no rows or the code is not among them.
const MediaSizeRow* FindMediaSize(int model, int code);

// Text key of a media class code (1-3); null for every other code.
const char* MediaClassKey(long code);

// Every key the window looks up, in table order (for translation checks).
std::vector<std::string> AllTextKeys();

}  // namespace kv71p::printwatch
