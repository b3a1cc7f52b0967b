// The flag files the status window leaves in the cache folder for the
// status service (common/PrinterFiles.h): a window is open, it has
// started, the user asked for a fresh total count.
#pragma once

#include <string>

#include "common/PrinterFiles.h"

namespace kv71p::printwatch {

// Creates the flag empty with mode 0666, never following a link. A flag
// file that is already there, whoever made it, counts as made and is left
// as it is. Does nothing when the path would not fit the flag buffer or
// would not lie directly in the cache folder (a serial number with a
// slash). Returns true when the flag is there.
bool CreateFlagFile(FlagFile flag, const std::string& serialNo);

// Removes the flag (a link at its place is removed, never followed).
// Returns true when a file was removed.
bool RemoveFlagFile(FlagFile flag, const std::string& serialNo);

}  // namespace kv71p::printwatch
