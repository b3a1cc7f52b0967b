// SIGTERM, with which CUPS cancels a job: caught and remembered, so that the
// job stops at its next look (between two blocks, in every wait) and
// cleans up. The handler only sets a flag.
#pragma once

namespace kv71p::backend {

// Installs the handler for SIGTERM (and SIGINT, for runs by hand) without
// restarting interrupted calls, and ignores SIGPIPE.
void CatchCancelSignal();
bool CancelSignalled();

}  // namespace kv71p::backend
