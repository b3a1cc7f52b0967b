// The USB layer on the emulated bus: hot-plug events, opens with seize and
// their counting, interfaces and pipes, the device ID request.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "EmulatorProcess.h"
#include "Kv71pConfig.h"

namespace {

using namespace kv71p;
using kv71p::test::EmulatorProcess;
using kv71p::test::OpenPrinter;

// Collects bus events for `ms` milliseconds (or until `count` arrived).
std::vector<UsbEvent> Collect(UsbBus& bus, size_t count, int ms = 3000) {
  std::vector<UsbEvent> all;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (all.size() < count && std::chrono::steady_clock::now() < end) {
    std::vector<UsbEvent> events;
    bus.WaitForEvents(50, &events);
    all.insert(all.end(), events.begin(), events.end());
  }
  return all;
}

class EmulatedBusTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(emulator_.Start()); }
  EmulatorProcess emulator_;
};

TEST_F(EmulatedBusTest, ReportsPrintersAttachedBeforeAndAfterAndTheirRemoval) {
  const unsigned before = emulator_.Attach();
  const unsigned other = emulator_.Attach({"vendor=4660"});
  auto bus = CreateEmulatedBus(emulator_.socketPath());
  ASSERT_EQ(kUsbSuccess, bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID));
  std::vector<UsbEvent> events = Collect(*bus, 1);
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(UsbEventKind::Arrived, events[0].kind);
  EXPECT_EQ(before, events[0].device->Id());

  const unsigned after = emulator_.Attach();
  ASSERT_TRUE(emulator_.Detach(before));
  ASSERT_TRUE(emulator_.Detach(other));
  std::vector<UsbEvent> more = Collect(*bus, 2);
  ASSERT_EQ(2u, more.size());
  EXPECT_EQ(UsbEventKind::Arrived, more[0].kind);
  EXPECT_EQ(after, more[0].device->Id());
  EXPECT_EQ(UsbEventKind::Left, more[1].kind);
  EXPECT_EQ(events[0].device, more[1].device);  // the same object in both events
  EXPECT_EQ(kUsbErrorNoDevice, more[1].device->OpenSeize());
}

TEST_F(EmulatedBusTest, EmulatorGoneMeansEveryPrinterLeft) {
  emulator_.Attach();
  auto bus = CreateEmulatedBus(emulator_.socketPath());
  ASSERT_EQ(kUsbSuccess, bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID));
  ASSERT_EQ(1u, Collect(*bus, 1).size());
  emulator_.Stop();
  std::vector<UsbEvent> events = Collect(*bus, 1);
  ASSERT_EQ(1u, events.size());
  EXPECT_EQ(UsbEventKind::Left, events[0].kind);
}

TEST_F(EmulatedBusTest, NestedOpensAreCountedAndOtherHoldersAreRefused) {
  const unsigned id = emulator_.Attach();
  auto worker = OpenPrinter(emulator_.socketPath(), id);
  ASSERT_TRUE(worker);
  UsbInterface* itf = worker->first();
  EXPECT_EQ(1, itf->OpenCount());
  EXPECT_EQ(kUsbSuccess, itf->OpenSeize());  // the information-file writer's own open
  EXPECT_EQ(2, itf->OpenCount());
  EXPECT_EQ(kUsbSuccess, itf->Close());
  EXPECT_EQ(1, itf->OpenCount());

  // Another holder (a print job) can open the device but not take the interface.
  auto other = OpenPrinter(emulator_.socketPath(), id);
  EXPECT_FALSE(other);
  auto bus = CreateEmulatedBus(emulator_.socketPath());
  ASSERT_EQ(kUsbSuccess, bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID));
  auto events = Collect(*bus, 1);
  ASSERT_EQ(1u, events.size());
  UsbDevice& second = *events[0].device;
  ASSERT_EQ(kUsbSuccess, second.OpenSeize());
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  ASSERT_EQ(kUsbSuccess, second.GetInterfaces(&interfaces));
  EXPECT_EQ(kUsbErrorBusy, interfaces[0]->OpenSeize());

  // Once the first holder's last close released it, the second gets it.
  EXPECT_EQ(kUsbSuccess, itf->Close());
  EXPECT_EQ(0, itf->OpenCount());
  EXPECT_EQ(kUsbErrorNotFound, itf->Close());
  EXPECT_EQ(kUsbSuccess, interfaces[0]->OpenSeize());
  interfaces[0]->Close();
  second.Close();
}

TEST_F(EmulatedBusTest, RefusedOpens) {
  const unsigned device = emulator_.Attach({"refuse-open=device"});
  const unsigned itf = emulator_.Attach({"refuse-open=interface"});
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), device));
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), itf));
  ASSERT_TRUE(emulator_.Set(itf, {"refuse-open=none"}));
  EXPECT_TRUE(OpenPrinter(emulator_.socketPath(), itf));
}

TEST_F(EmulatedBusTest, TwoInterfacesWithTheirOwnPipes) {
  const unsigned id = emulator_.Attach({"interfaces=2"});
  auto printer = OpenPrinter(emulator_.socketPath(), id);
  ASSERT_TRUE(printer);
  ASSERT_EQ(2u, printer->interfaces.size());
  const uint8_t expected[2][3] = {{0, 0x01, 0x82}, {1, 0x03, 0x84}};
  for (size_t i = 0; i < 2; ++i) {
    UsbInterface& itf = *printer->interfaces[i];
    uint8_t number = 9, config = 9, out = 0, in = 0;
    EXPECT_EQ(kUsbSuccess, itf.GetInterfaceNumber(&number));
    EXPECT_EQ(kUsbSuccess, itf.GetConfigurationValue(&config));
    EXPECT_EQ(expected[i][0], number);
    EXPECT_EQ(1, config);
    EXPECT_TRUE(FindPipeEndpoint(itf.Info(), kUsbPipeOut, &out));
    EXPECT_TRUE(FindPipeEndpoint(itf.Info(), kUsbPipeIn, &in));
    EXPECT_EQ(expected[i][1], out);
    EXPECT_EQ(expected[i][2], in);
  }
  // Transfers need the interface open.
  unsigned char byte = 0;
  int n = 0;
  EXPECT_EQ(kUsbErrorAccess, printer->interfaces[1]->BulkWrite(kUsbPipeOut, &byte, 1, &n, 100));
  EXPECT_EQ(kUsbErrorInvalidParam, printer->first()->BulkWrite(kUsbPipeIn, &byte, 1, &n, 100));
}

TEST_F(EmulatedBusTest, DeviceIdRequestAnswersWithItsLengthField) {
  const std::string text = "MFG:Korvale;MDL:KV-71P;";
  const unsigned id = emulator_.Attach({"deviceid=" + text});
  auto printer = OpenPrinter(emulator_.socketPath(), id);
  ASSERT_TRUE(printer);
  UsbInterface* itf = printer->first();
  unsigned char buffer[256];
  int done = 0;
  ASSERT_EQ(kUsbSuccess, itf->ControlRequest(0xA1, 0, 0, 0, buffer, 256, &done, 5000));
  ASSERT_EQ(static_cast<int>(text.size() + 2), done);
  EXPECT_EQ(0, buffer[0]);
  EXPECT_EQ(text.size() + 2, buffer[1]);
  EXPECT_EQ(text, std::string(reinterpret_cast<char*>(buffer) + 2, text.size()));

  ASSERT_TRUE(emulator_.Set(id, {"deviceid-length=300"}));
  ASSERT_EQ(kUsbSuccess, itf->ControlRequest(0xA1, 0, 0, 0, buffer, 10, &done, 5000));
  EXPECT_EQ(10, done);
  EXPECT_EQ(1, buffer[0]);
  EXPECT_EQ(44, buffer[1]);
  EXPECT_EQ(kUsbErrorPipe, itf->ControlRequest(0xA1, 1, 0, 0, buffer, 10, &done, 5000));
}

TEST(LibusbBusTest, StartsWithoutPrintersWhereLibusbWorks) {
  unsetenv("KV71P_USB_EMULATOR");
  auto bus = CreateUsbBus();
  if (bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) != kUsbSuccess)
    GTEST_SKIP() << "libusb cannot start on this machine";
  std::vector<UsbEvent> events;
  EXPECT_EQ(kUsbSuccess, bus->WaitForEvents(50, &events));
  EXPECT_TRUE(events.empty());
}

}  // namespace
