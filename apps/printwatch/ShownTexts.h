// The test hook's file format: what the window shows, one NAME=value line
// per item, so a test (or a curious user) can see what a user would see
// without looking at the screen.
//
// When the environment variable KV71P_PRINTWATCH_SHOWN_FILE names a file,
// Printwatch writes that file once when it has started and again after every
// 1-second cycle, always replacing it atomically (a hidden file in the same
// folder renamed over it, never following a link, mode 0600), so a reader
// always sees one complete snapshot. The lines, in this order:
//
//   CYCLE         number of cycles run so far (0 in the start snapshot)
//   TITLE         window title (the printer name)
//   STATUS        status text
//   STATUS_ICON   name of the status icon chosen ("PrtStsPaperEnd")
//   MESSAGE       message text
//   MEDIA_TITLE   title of the media group
//   MEDIA_SIZE    media size text
//   MEDIA_COUNT   sheet-count text
//   GAUGE         remaining-media gauge, 0 to 100
//   TOTAL_COUNT   total print count text
//   SERIAL_NO     serial number text
//   FIRM_VERSION  firmware version text
//
// Values are escaped so each stays on its line: "\\" for a backslash, "\n"
// for a line feed, "\r" for a carriage return, "\xHH" for any other control
// byte; every other byte stands as it is (texts are UTF-8).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kv71p::printwatch {

// The environment variable that switches the hook on.
constexpr const char* kShownFileVariable = "KV71P_PRINTWATCH_SHOWN_FILE";

using ShownTexts = std::vector<std::pair<std::string, std::string>>;

std::string FormatShownTexts(const ShownTexts& texts);

// Reads the format back (unknown escapes keep their character); lines
// without "=" are skipped.
std::map<std::string, std::string> ParseShownTexts(const std::string& text);

// Writes the snapshot to `path` as described above; false on failure.
bool WriteShownTextsFile(const std::string& path, const ShownTexts& texts);

}  // namespace kv71p::printwatch
