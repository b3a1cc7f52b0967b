// The printer application's block writer: collects the blocks of one print
// in memory and hands the whole print to the printer link when it ends.
#pragma once

#include "delivery/Print.h"
#include "filter/BlockWriter.h"
#include "printerapp/PrinterLink.h"

namespace kv71p::printerapp {

class PrintBuffer : public filter::BlockWriter {
 public:
  explicit PrintBuffer(PrinterLink& link) : link_(link) {}

  bool Write(const void* bytes, size_t count) override;
  bool Failed() const override { return lastResult_ != StepResult::Done; }
  // Sends the print collected since the last one (numbered from 1); once a
  // print was not sent, nothing more is.
  bool EndPrint() override;

  // How the last print went (Done before the first).
  StepResult lastResult() const { return lastResult_; }

 private:
  PrinterLink& link_;
  delivery::Print print_;
  int printsSent_ = 0;
  StepResult lastResult_ = StepResult::Done;
};

}  // namespace kv71p::printerapp
