// Running Watchlauncher from the queue picker.
#pragma once

#include <string>

namespace kv71p::watchlauncher {

// Runs "<folder>/Watchlauncher <queue>" without a shell and waits for it
// (it quits as soon as the window is started). Returns its exit status, or
// -1 when it could not be run or did not exit normally.
int RunWatchlauncher(const std::string& folder, const std::string& queue);

}  // namespace kv71p::watchlauncher
