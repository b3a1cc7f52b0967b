// The delivery library in-process against the printer emulator, with an
// observer that acts in the middle of a print (after its second block):
// a cancel, an unplug with the printer plugged in again, a cover opened
// while the print arrives, a printer that stops taking bytes for a while. What the printer printed, discarded and was
// sent is read back from the emulator.
#include <gtest/gtest.h>

#include <thread>

#include "common/Kv71pConfig.h"
#include "delivery/PrintDelivery.h"
#include "tests/backend/SmallPrints.h"
#include "tests/service/EmulatorProcess.h"

namespace kv71p::test {
namespace {

using delivery::DeliveryResult;

// Calls `act` once, at the look between the second and the third block of
// print `number`; cancels from the moment `act` returns true.
class ActingObserver : public delivery::DeliveryObserver {
 public:
  ActingObserver(int number, std::function<bool()> act) : number_(number), act_(std::move(act)) {}
  bool CancelRequested() override {
    if (armed_ && ++looks_ == 3) cancelled_ = act_();
    return cancelled_;
  }
  void OnPrintSending(int number, int attempt) override {
    armed_ = number == number_ && attempt == 1;
    looks_ = 0;
  }

 private:
  int number_;
  std::function<bool()> act_;
  bool armed_ = false, cancelled_ = false;
  int looks_ = 0;
};

delivery::Print PrintNumber(int number) {
  delivery::Print print;
  print.number = number;
  for (const std::string& b : SmallPrintBlocks()) print.blocks.emplace_back(b.begin(), b.end());
  return print;
}

TEST(Delivery, PrintInterruptedBeforeItsStartIsSentAgainWholeOrNotAtAll) {
  // What happens to the printer at that moment and a while later, as
  // requests to the emulator.
  struct Case {
    const char* name;
    bool cancel;
    std::string now;
    int laterMs;
    std::string later;
    DeliveryResult second;  // the result of print 2
    const char* firstPrinter;
    const char* secondPrinter;  // the printer plugged in again ("" when none)
  };
  const std::vector<Case> cases = {
      {"cancel: print 2 is dropped unfinished", true, "", 0, "", DeliveryResult::Cancelled,
       "OK started:half printed:half discarded:unfinished", ""},
      {"unplugged and back: print 2 again from its start on the printer plugged in", false, "detach 1", 300,
       "attach serial=P1 print-ms=0", DeliveryResult::Done, "OK started:half printed:half discarded:unfinished",
       "OK started:half printed:half"},
      {"cover opened as it arrives: discarded, sent again once closed", false, "set 1 status=1000", 3000,
       "set 1 status=0", DeliveryResult::Done,
       "OK started:half printed:half discarded:not-ready started:half printed:half", ""},
      {"unplugged as START arrives and back, printed: the counter tells, not sent again", false,
       "set 1 unplug-on=START", 300, "attach serial=P1 print-ms=0 total=0001236", DeliveryResult::Done,
       "OK started:half printed:half started:half printed:half", "OK"},
      {"printer stops taking bytes for a while: the rest follows, printed once", false, "set 1 out-limit=0",
       1000, "set 1 out-limit=none", DeliveryResult::Done, "OK started:half printed:half started:half printed:half",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EmulatorProcess emulator;
    ASSERT_TRUE(emulator.Start());
    ASSERT_EQ(1u, emulator.Attach({"serial=P1", "print-ms=0"}));
    std::thread later;
    ActingObserver observer(2, [&] {
      if (!c.now.empty()) emulator.Request(c.now);
      later = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(c.laterMs));
        if (!c.later.empty()) emulator.Request(c.later);
      });
      return c.cancel;
    });
    delivery::DeliverySettings settings;
    settings.reconnectBound = std::chrono::seconds(20);
    settings.refreshInformationFile = false;
    delivery::LinkSettings fastLooks;
    fastLooks.probeInterval = std::chrono::milliseconds(200);
    {
      delivery::PrinterLink link(CreateEmulatedBus(emulator.socketPath()), "P1",
                                 KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID, fastLooks);
      delivery::PrintDelivery delivery(link, observer, settings);
      ASSERT_EQ(DeliveryResult::Done, delivery.Open());
      EXPECT_EQ(DeliveryResult::Done, delivery.Deliver(PrintNumber(1)));
      EXPECT_EQ(c.second, delivery.Deliver(PrintNumber(2)));
    }
    if (later.joinable()) later.join();
    EXPECT_TRUE(WaitFor([&] { return emulator.Prints(1) == c.firstPrinter; }, 5))
        << emulator.Prints(1);
    if (*c.secondPrinter != '\0') {
      EXPECT_EQ(c.secondPrinter, emulator.Prints(2));
    }
  }
}

// Unplugged, plugged in again (it answers its serial number), gone again at
// its first status query, and back two seconds later: each absence is
// shorter than the reconnect bound by a second and more, the two together
// longer. The bound counts from
// the printer's last departure, so print 2 is printed.
TEST(Delivery, ReconnectBoundCountsFromThePrintersLastDeparture) {
  EmulatorProcess emulator;
  ASSERT_TRUE(emulator.Start());
  ASSERT_EQ(1u, emulator.Attach({"serial=P1", "print-ms=0"}));
  std::thread later;
  ActingObserver observer(2, [&] {
    emulator.Request("detach 1");
    later = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(2500));
      emulator.Request("attach serial=P1 print-ms=0 unplug-on=STATUS");
      WaitFor([&] { return emulator.Request("get 2").find("attached=no") != std::string::npos; }, 10);
      std::this_thread::sleep_for(std::chrono::seconds(2));
      emulator.Request("attach serial=P1 print-ms=0");
    });
    return false;
  });
  delivery::DeliverySettings settings;
  settings.reconnectBound = std::chrono::seconds(4);
  settings.refreshInformationFile = false;
  delivery::LinkSettings fastLooks;
  fastLooks.probeInterval = std::chrono::milliseconds(200);
  {
    delivery::PrinterLink link(CreateEmulatedBus(emulator.socketPath()), "P1", KV71P_USB_VENDOR_ID,
                               KV71P_USB_PRODUCT_ID, fastLooks);
    delivery::PrintDelivery delivery(link, observer, settings);
    ASSERT_EQ(DeliveryResult::Done, delivery.Open());
    EXPECT_EQ(DeliveryResult::Done, delivery.Deliver(PrintNumber(1)));
    EXPECT_EQ(DeliveryResult::Done, delivery.Deliver(PrintNumber(2)));
  }
  if (later.joinable()) later.join();
  EXPECT_EQ("OK started:half printed:half discarded:unfinished", emulator.Prints(1));
  EXPECT_EQ("OK started:half printed:half", emulator.Prints(3));
}

}  // namespace
}  // namespace kv71p::test
