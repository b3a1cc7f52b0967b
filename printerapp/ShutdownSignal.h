// A server that is told to stop (SIGTERM, SIGINT) waits for its jobs, up
// to a minute, and then goes on without them; a job that waits for paper
// would then still run while PAPPL tears its printer down. The application
// notes the signal before PAPPL does, so its jobs stop waiting at once.
#pragma once

namespace kv71p::printerapp {

// Puts a handler for SIGTERM and SIGINT in front of the ones in place
// (PAPPL's, which the running server installed): it notes the request and
// calls the handler it replaced.
void WatchShutdownSignals();

// True once such a signal came.
bool ShutdownSignalled();

}  // namespace kv71p::printerapp
