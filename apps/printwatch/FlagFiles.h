// The files through which the window talks to the status service: the
// information file it reads and the empty flag files it leaves in the cache
// folder, all named after the printer's serial number (blanks as "%20").
#pragma once

#include <string>

namespace kv71p::printwatch {

// The model name in file names.
constexpr const char* kModelName = "KV-71P";

// Flag-file paths are formatted into a buffer of this size; a path that
// would not fit (127 characters at most) makes no flag.
constexpr size_t kFlagPathBufferSize = 128;

enum class FlagFile {
  Window,             // "%s/%s_%s_UTIL": a window is open
  Start,              // "%s/%s_%s_START_UTIL": the window has started
  TotalCountRefresh,  // "%s/%s_%s_TC_UTIL": the user asked for a refresh
};

// "<cache folder>/KV-71P_<serial>.log".
std::string InfoFilePath(const std::string& serialNo);

// The flag's path; false (and no path) when it would not fit the buffer.
bool FlagFilePath(FlagFile flag, const std::string& serialNo, std::string* path);

// Creates the flag empty with mode 0666, never following a link. Does
// nothing when the path would not fit or would not lie directly in the
// cache folder (a serial number with a slash). Returns true when created.
bool CreateFlagFile(FlagFile flag, const std::string& serialNo);

// Removes the flag (a link at its place is removed, never followed).
// Returns true when a file was removed.
bool RemoveFlagFile(FlagFile flag, const std::string& serialNo);

}  // namespace kv71p::printwatch
