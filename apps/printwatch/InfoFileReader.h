// Reading the printer information file that the status service rewrites
// in place: the raw values of its keys, taken from the lines that begin
// with them.
#pragma once

#include <string>

namespace kv71p::printwatch {

// The raw values of the information file, as the window keeps them between
// cycles. A key missing from one reading leaves its value as it was.
struct InfoFileValues {
  std::string m_modelStr_Log;        // MODEL (kept, not shown)
  std::string m_statusStr_Log;       // PRINTER_STATUS
  std::string m_messageStr_Log;      // PRINTER_MESSAGE
  std::string m_serialStr_Log;       // PRINTER_SERIAL_NO, "%20" as a blank
  std::string m_sizeStr_Log;         // MEDIA_SIZE
  std::string m_initialStr_Log;      // MEDIA_INITIAL
  std::string m_remainStr_Log;       // MEDIA_REMAIN
  std::string m_remainHalfStr_Log;   // MEDIA_REMAIN_HALF
  std::string m_totalCountStr_Log;   // TOTAL_COUNT
  std::string m_mediaClassStr_Log;   // MEDIA_CLASS
  std::string m_firmVersion_Log;     // PRINTER_VERSION
};

// Splits `text` at every line feed; for each line that begins with one of
// the keys followed by "=", stores the rest of the line with every double
// quote removed (and, for the serial number, every "%20" turned into a
// blank). The last line of a key wins; keys that do not occur keep their
// values. Nothing else is trimmed.
void ApplyInfoFileText(const std::string& text, InfoFileValues* values);

// What the window shows when there is no file or it cannot be read: the
// status and message of a printer that is gone (kStatusUnknown,
// kMessagePrinterGone), every other value empty.
void StoreOfflineDefaults(InfoFileValues* values);

enum class InfoFileRead {
  Ok,       // `text` holds the whole file
  Missing,  // nothing exists at the path
  Failed,   // it exists but is not a readable regular file of UTF-8 text
};

// Reads the whole file. The file is opened without following a link and
// without blocking (a FIFO planted in the shared folder cannot hang the
// window); it must be a regular file of at most kMaxInfoFileSize bytes of
// valid UTF-8.
constexpr size_t kMaxInfoFileSize = 64 * 1024;
InfoFileRead ReadInfoFileText(const std::string& path, std::string* text);

}  // namespace kv71p::printwatch
