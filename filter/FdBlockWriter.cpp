#include "filter/FdBlockWriter.h"

#include "common/SafeFile.h"

namespace kv71p::filter {

bool FdBlockWriter::Write(const void* bytes, size_t count) {
  if (failed_ || bytes == nullptr || count == 0) return !failed_;
  if (!kv71p::WriteAll(fd_, bytes, count)) failed_ = true;
  return !failed_;
}

}  // namespace kv71p::filter
