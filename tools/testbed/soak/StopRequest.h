// SIGINT and SIGTERM ask the soak to stop: the run leaves its loops and
// every child process is stopped on the way out.
#pragma once

namespace kv71p::soak {

// Installs the handlers.
void CatchStopSignals();
// True once SIGINT or SIGTERM arrived.
bool StopRequested();

}  // namespace kv71p::soak
