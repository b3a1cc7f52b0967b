// The USB layer on the emulated bus: opens with seize and their counting
// (hot-plug events: ServiceRunTest), and the emulated printer turning what
// it receives into pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "common/Kv71pConfig.h"
#include "tests/service/PrinterFixture.h"

using namespace kv71p;

namespace kv71p::test {
namespace {

using EmulatedPrinter = PrinterFixture;

TEST_F(EmulatedPrinter, ArrivalAndTheEmulatorGoneMeanEveryPrinterLeft) {
  auto bus = CreateEmulatedBus(emulator_.socketPath());
  ASSERT_EQ(kUsbSuccess, bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID));
  std::vector<UsbEvent> events;
  for (int i = 0; i < 100 && events.size() < 2; ++i) {
    std::vector<UsbEvent> more;
    bus->WaitForEvents(50, &more);
    events.insert(events.end(), more.begin(), more.end());
    if (events.size() == 1 && events[0].kind == UsbEventKind::Arrived) emulator_.Stop();
  }
  ASSERT_EQ(2u, events.size());
  EXPECT_EQ(id_, events[0].device->Id());
  EXPECT_EQ(UsbEventKind::Left, events[1].kind);
  EXPECT_EQ(events[0].device, events[1].device);  // the same object in both events
}

TEST_F(EmulatedPrinter, NestedOpensAreCountedAndOtherHoldersAreRefused) {
  EXPECT_EQ(1, itf_->OpenCount());
  EXPECT_EQ(kUsbSuccess, itf_->OpenSeize());  // the information-file writer's own open
  EXPECT_EQ(2, itf_->OpenCount());
  EXPECT_EQ(kUsbSuccess, itf_->Close());
  EXPECT_EQ(1, itf_->OpenCount());

  unsigned char byte = 0;
  int n = 0;
  EXPECT_EQ(kUsbErrorInvalidParam, itf_->BulkWrite(kUsbPipeIn, &byte, 1, &n, 100));
  EXPECT_EQ(kUsbErrorPipe, itf_->ControlRequest(0xA1, 1, 0, 0, &byte, 1, &n, 5000));

  // Another holder (a print job) cannot take the interface until the first
  // holder's last close released it.
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), id_));
  EXPECT_EQ(kUsbSuccess, itf_->Close());
  EXPECT_EQ(kUsbErrorNotFound, itf_->Close());
  EXPECT_EQ(kUsbErrorAccess, itf_->BulkWrite(kUsbPipeOut, &byte, 1, &n, 100));
  EXPECT_TRUE(OpenPrinter(emulator_.socketPath(), id_));

  // Printers that refuse the device or the interface cannot be opened.
  const unsigned device = emulator_.Attach({"refuse-open=device"});
  const unsigned itf = emulator_.Attach({"refuse-open=interface"});
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), device));
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), itf));
}

TEST(LibusbBus, StartsWithoutPrintersWhereLibusbWorks) {
  unsetenv("KV71P_USB_EMULATOR");
  auto bus = CreateUsbBus();
  if (bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) != kUsbSuccess)
    GTEST_SKIP() << "libusb cannot start on this machine";
  std::vector<UsbEvent> events;
  EXPECT_EQ(kUsbSuccess, bus->WaitForEvents(50, &events));
  EXPECT_TRUE(events.empty());
}

// The demo's printer: a print stream over the bus comes out as PNG planes.
TEST(EmulatorPrint, RendersPrintsReceivedOverTheBus) {
  EmulatorProcess emulator;
  ASSERT_TRUE(emulator.Start());
  const std::string out = emulator.folder() + "/bus", stream = emulator.folder() + "/demo";
  const unsigned id = emulator.Attach({"output=" + out, "print-ms=0"});
  ASSERT_EQ(0, RunProcess({KV71P_DEMO_STREAM_PROGRAM, stream}).exitStatus);
  const std::string data = ReadFile(stream);
  auto printer = OpenPrinter(emulator.socketPath(), id);
  ASSERT_TRUE(printer);
  EXPECT_EQ(0, deviceWrite(printer->first(), reinterpret_cast<const unsigned char*>(data.data()),
                           static_cast<int>(data.size()), 10000));
  auto isPng = [&](const char* name) {
    return ReadFile(out + "/printer1-" + name + ".png").compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
  };
  EXPECT_TRUE(WaitFor([&] { return isPng("print2-preview"); }, 10));
  for (const char* plane : {"print1-yellow", "print1-magenta", "print1-cyan", "print2-yellow"})
    EXPECT_TRUE(isPng(plane)) << plane;
  const std::vector<std::string> titles = emulator.LoggedTitles(id);
  EXPECT_EQ(2, std::count(titles.begin(), titles.end(), "CNTRL START"));

  WriteFile(emulator.folder() + "/bad", "\x1bPNONSENSE");
  EXPECT_EQ(0u, emulator.Request("print 1 " + emulator.folder() + "/bad " + out)
                    .find("ERR invalid-param \"malformed stream at byte 2"));
  EXPECT_EQ(0u, emulator.Request("print 1 /nonexistent " + out).find("ERR not-found"));
}

}  // namespace
}  // namespace kv71p::test
