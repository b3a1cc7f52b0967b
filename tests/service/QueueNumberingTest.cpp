// Which queue the service creates for a new printer, given the queues that
// exist: the rule as pure functions, then the real service against a
// private cupsd holding those queues.
#include <gtest/gtest.h>
#include <signal.h>

#include "QueueRegistration.h"
#include "ServiceHarness.h"

namespace kv71p::test {
namespace {

TEST(QueueNumberingRule, QueueForANewPrinter) {
  const std::string base = "KORVALE_SYSTEMS_KV_71P";
  struct Case {
    std::vector<std::string> queues;
    int number;  // 0: the base queue
  } cases[] = {
      {{}, 0},
      {{"Office", "Photo"}, 0},
      {{base}, 2},
      {{"Office", base, base + "_2", base + "_4"}, 3},
      {{base + "_2"}, 1},
      {{base + "_spare"}, 1},
      {{base, base + "_spare"}, 1},
      {{base + "_2_old", base + "_3x"}, 1},  // 0 and 3
      {{"korvale_systems_kv_71p_2", "MY_" + base}, 3},
      {{base, base + "_99999999999"}, 2},  // INT_MAX
      // The search lands on a number whose queue exists: the next free one.
      {{base, base + "_1", base + "_2"}, 3},
      {{base + "_1", base + "_spare"}, 2},
      {{base, "korvale_systems_kv_71p_1", base + "_2", base + "_3"}, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseQueueNumber(c.queues), c.number) << ::testing::PrintToString(c.queues);
}

TEST(QueueNumberingRule, QueueUriOfThePrinter) {
  const char* serial = "KVP%2012";
  struct Case {
    const char* uri;
    bool ours;
  } cases[] = {
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012", true},
      {"vexbackend://KORVALE/KV-71P/x?serial=KVP%2012", true},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%20123", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012&x=1", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=", false},
      {"vexbackend://korvale%20systems/KV-71P?serial=KVP%2012", false},
      {"usb://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-70?serial=KVP%2012", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012/serial=KVP%2012", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsQueueUriOf(c.uri, serial), c.ours) << c.uri;
  EXPECT_FALSE(IsQueueUriOf(nullptr, serial));
  EXPECT_TRUE(UriMentionsSerial("socket://10.0.0.1/KVP%2012", serial));
  EXPECT_FALSE(UriMentionsSerial("socket://10.0.0.1/KVP 12", serial));
  EXPECT_TRUE(UriMentionsSerial(std::string(246, 'x') + serial, serial));         // 254 bytes
  EXPECT_FALSE(UriMentionsSerial(std::string(247, 'x') + serial, serial));        // 255 bytes
}

// The service with these queues present (name, device URI) and one new
// printer (serial KVP00123). number: the queue it must create, 0 the base
// queue, -1 none.
struct Existing {
  std::string name;
  std::map<std::string, std::string> queues;
  int number;
};
void PrintTo(const Existing& c, std::ostream* out) { *out << c.name; }

class QueueNumberingService : public ::testing::TestWithParam<Existing> {};

const std::string kBase = "KORVALE_SYSTEMS_KV_71P";

TEST_P(QueueNumberingService, CreatesTheExpectedQueue) {
  const Existing& c = GetParam();
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  ASSERT_TRUE(h.StartCups());
  for (const auto& [name, uri] : c.queues) ASSERT_TRUE(h.AddQueue(name, uri)) << name;
  h.emulator().Attach();
  ASSERT_TRUE(h.StartService());
  ASSERT_TRUE(h.WaitForInfoFile(kDefaultSerial, DefaultInformationFile(kDefaultSerial)))
      << h.Output();
  EXPECT_EQ(h.StopService(SIGINT), 0);

  const auto calls = h.LpadminCalls();
  std::map<std::string, std::string> after = c.queues;
  if (c.number < 0) {
    EXPECT_TRUE(calls.empty());
  } else {
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], ExpectedLpadmin(c.number, kDefaultSerial));
    after[calls[0][1]] = QueueUri(kDefaultSerial);
  }
  EXPECT_EQ(h.Queues(), after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QueueNumberingService,
    ::testing::Values(
        // 1, 2 and 4 present: 3.
        Existing{"OneTwoFour", {{kBase, QueueUri("A1")}, {kBase + "_2", QueueUri("A2")},
                  {kBase + "_4", QueueUri("A4")}}, 3},
        // Only 2 (the base queue deleted): 1.
        Existing{"OnlyTwo", {{kBase + "_2", QueueUri("A2")}}, 1},
        // A non-numeric suffix counts as 0: 1.
        Existing{"NonNumericSuffix", {{kBase + "_spare", QueueUri("A9")}}, 1},
        // The base queue and "_1" both stand for 1, so the search lands on 2,
        // whose queue exists: 3, and the queue "_2" of printer A2 stays.
        Existing{"NumberOneTwice", {{kBase, QueueUri("A0")}, {kBase + "_1", QueueUri("A1")},
                  {kBase + "_2", QueueUri("A2")}}, 3},
        // A queue of another scheme mentions the serial number: no
        // numbering, the base queue command.
        Existing{"OtherSchemeWithSerial", {{kBase + "_2", QueueUri("A2")},
                  {"NetworkKV", "socket://192.0.2.7:9100/KVP00123"}}, 0},
        // Right scheme, maker and model, but text after the serial number:
        // not this printer's queue (it mentions the serial number, so the
        // base queue command follows).
        Existing{"TextAfterSerial", {{"Mine", QueueUri("KVP00123X")}}, 0},
        // This printer's queue exists under any name: nothing is created.
        Existing{"QueueExists",
                 {{"Photo_Printer", QueueUri("KVP00123")}, {kBase, QueueUri("A1")}}, -1}),
    [](const ::testing::TestParamInfo<Existing>& info) { return info.param.name; });

}  // namespace
}  // namespace kv71p::test
