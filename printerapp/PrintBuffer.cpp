#include "printerapp/PrintBuffer.h"

#include <new>

namespace kv71p::printerapp {

bool PrintBuffer::Write(const void* bytes, size_t count) {
  if (Failed()) return false;
  if (bytes == nullptr || count == 0) return true;
  const auto* first = static_cast<const unsigned char*>(bytes);
  try {
    print_.blocks.emplace_back(first, first + count);
  } catch (const std::bad_alloc&) {
    // A print that does not fit in memory cannot be sent.
    lastResult_ = StepResult::Failed;
  }
  return !Failed();
}

bool PrintBuffer::EndPrint() {
  if (Failed()) return false;
  if (!print_.blocks.empty()) {
    print_.number = ++printsSent_;
    lastResult_ = link_.SendPrint(print_);
  }
  print_.blocks.clear();
  return !Failed();
}

}  // namespace kv71p::printerapp
