// A umockdev test bed whose USB bus holds printers of the emulator. A
// plugged printer has its sysfs device (the KV-71P's descriptors and
// attributes), its /dev/bus/usb node, and a device side answering libusb's
// requests on the node from the emulator's printer (UsbdevfsPrinter).
//
// The test program runs under umockdev's preload (see CMakeLists.txt), and
// so does every program it starts: one started with LibusbEnvironment()
// in its environment (ProcessOptions::env, BackgroundProcess::Start,
// ServiceHarness::StartService) finds the printers through libusb, as on a
// real bus.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/service/EmulatorProcess.h"
#include "tests/service/ServiceHarness.h"
#include "tests/usbmock/UsbdevfsPrinter.h"

namespace kv71p::test {

class UsbMockBed {
 public:
  UsbMockBed();
  ~UsbMockBed();
  UsbMockBed(const UsbMockBed&) = delete;
  UsbMockBed& operator=(const UsbMockBed&) = delete;

  // Plugs printer `id` of `emulator` into the next port of bus 1. A
  // program watching the bus gets an "add" uevent.
  bool Plug(EmulatorProcess& emulator, unsigned id);
  // The printer leaves: detached from the emulator, a "remove" uevent, its
  // sysfs device and node gone.
  bool Unplug(unsigned id);

  // The environment entries of a program that should use libusb.
  static std::vector<std::string> LibusbEnvironment() { return {"KV71P_USB_EMULATOR="}; }

 private:
  struct Port {
    EmulatorProcess* emulator;
    std::string sysPath, node;
  };
  UMockdevTestbed* testbed_;
  std::map<unsigned, Port> ports_;
  std::vector<std::unique_ptr<UsbdevfsPrinter>> devices_;  // kept for files still open
};

// A test with the test bed and the service's harness, its emulator
// running: attach a printer, plug it in, start a program on libusb.
class UsbMockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(umockdev_in_mock_environment()) << "the test runs under umockdev's preload";
    ASSERT_TRUE(h_.emulator().Start());
  }
  UsbMockBed bed_;  // first in, last out: after the programs that use it
  ServiceHarness h_;
};

}  // namespace kv71p::test
