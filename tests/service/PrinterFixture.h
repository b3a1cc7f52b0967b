// A test with the emulator running and one of its printers opened through
// the emulated bus, as the service's worker holds it.
#pragma once

#include <gtest/gtest.h>

#include "service/UsbTransport.h"
#include "tests/service/EmulatorProcess.h"

using namespace kv71p;
using namespace kv71p::service;

namespace kv71p::test {

// Short transfer time-outs, so a silent printer costs well under a second.
inline const TransferTimeouts kShort{500, 300};

class PrinterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Start());
    id_ = emulator_.Attach();
    printer_ = OpenPrinter(emulator_.socketPath(), id_);
    ASSERT_TRUE(printer_);
    itf_ = printer_->first();
  }
  bool Set(const std::vector<std::string>& properties) { return emulator_.Set(id_, properties); }

  EmulatorProcess emulator_;
  unsigned id_ = 0;
  std::unique_ptr<OpenedPrinter> printer_;
  UsbInterface* itf_ = nullptr;
};

}  // namespace kv71p::test
