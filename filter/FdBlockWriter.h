// The filter's block writer: whole blocks to a file descriptor (standard
// output when CUPS runs the filter). A pipe may take a block in pieces and
// a signal may interrupt a write; both are continued. Once a write has
// failed (the reader went away) nothing more is written.
#pragma once

#include "filter/BlockWriter.h"

namespace kv71p::filter {

class FdBlockWriter : public BlockWriter {
 public:
  explicit FdBlockWriter(int fd) : fd_(fd) {}

  bool Write(const void* bytes, size_t count) override;
  bool Failed() const override { return failed_; }

 private:
  int fd_;
  bool failed_ = false;
};

}  // namespace kv71p::filter
