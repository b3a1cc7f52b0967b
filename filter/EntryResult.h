// The result of the job object's and the page buffer's operations.
#pragma once

namespace kv71p::filter {

enum class EntryResult {
  Ok,
  Invalid,       // a value the model's tables do not hold, a resolution other
                 // than 300 or 600 dpi, or a print too large for its command
  NoMemory,      // the memory to compose a print was not obtained
  OutputFailed,  // a write to the output failed
  Canceled,      // the job was cancelled before it was complete
};

}  // namespace kv71p::filter
