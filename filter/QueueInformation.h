// A value from the information file of a print queue's printer: the file
// "<cache folder>/KV-71P_<serial>.log" when the queue's device URI holds
// "serial=<serial>", else "<cache folder>/KV-71P.log" (docs/printer-files.md).
// The filter's job does not need it; it serves programs that know a queue
// rather than a job.
#pragma once

#include <string>

namespace kv71p::filter {

enum class QueueLookup {
  Found,
  NoValue,        // no file, no such key, or a serial number with a slash
  QueueNotFound,  // no such queue (an instance is none), or no device URI
};

// Looks `key` ("KEY=") up in the information file of `queue`.
QueueLookup LookUpQueueInformation(const std::string& queue, const char* key, std::string* value);

}  // namespace kv71p::filter
