// The printer application's block writer: collects the blocks of one print
// in memory and hands the whole print to the printer link when it ends.
#pragma once

#include <vector>

#include "filter/BlockWriter.h"
#include "printerapp/PrinterLink.h"

namespace kv71p::printerapp {

class PrintBuffer : public filter::BlockWriter {
 public:
  explicit PrintBuffer(PrinterLink& link) : link_(link) {}

  bool Write(const void* bytes, size_t count) override;
  bool Failed() const override { return lastResult_ != SendResult::Sent; }
  // Sends the print collected since the last one; once a print was not
  // sent, nothing more is.
  bool EndPrint() override;

  // How the last print went (Sent before the first).
  SendResult lastResult() const { return lastResult_; }

 private:
  PrinterLink& link_;
  std::vector<unsigned char> print_;
  SendResult lastResult_ = SendResult::Sent;
};

}  // namespace kv71p::printerapp
