// The real infokv71p against the printer emulator and a private cupsd:
// discovery, workers, queue registration, flag files, removal, signals.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>

#include "tests/service/ServiceHarness.h"

namespace fs = std::filesystem;

namespace kv71p::test {
namespace {

const std::string kBase = "KORVALE_SYSTEMS_KV_71P";

class ServiceRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h_.emulator().Start()); }
  void TearDown() override {
    // SIGINT ends the service at once with status 0, whatever it is doing.
    EXPECT_EQ(h_.StopService(SIGINT), 0) << h_.Output();
  }
  ServiceHarness h_;
};

TEST_F(ServiceRunTest, PrintersAttachedBeforeAndAfterTheStartGetQueueAndFile) {
  ASSERT_TRUE(h_.StartCups());
  const unsigned first = h_.emulator().Attach({"serial=EARLY 1"});
  ASSERT_TRUE(h_.StartService());
  ASSERT_TRUE(h_.WaitForInfoFile("EARLY%201", DefaultInformationFile("EARLY%201"))) << h_.Output();
  EXPECT_EQ(h_.Output(), "serial EARLY%201\n");

  const unsigned later = h_.emulator().Attach({"serial=LATE2"});
  ASSERT_TRUE(h_.WaitForInfoFile("LATE2", DefaultInformationFile("LATE2"))) << h_.Output();

  EXPECT_EQ(h_.LpadminCalls(), (std::vector<std::vector<std::string>>{
                                   ExpectedLpadmin(0, "EARLY%201"), ExpectedLpadmin(2, "LATE2")}));
  EXPECT_EQ(h_.Queues(), (std::map<std::string, std::string>{{kBase, QueueUri("EARLY%201")},
                                                             {kBase + "_2", QueueUri("LATE2")}}));
  EXPECT_EQ(h_.QueueOption(kBase, "printer-info"), "KORVALE SYSTEMS KV-71P");
  EXPECT_EQ(h_.QueueOption(kBase + "_2", "printer-info"), "KORVALE SYSTEMS KV-71P 2");
  for (const std::string& q : {kBase, kBase + "_2"}) {
    EXPECT_EQ(h_.QueueOption(q, "printer-is-shared"), "false") << q;
    EXPECT_EQ(h_.QueueOption(q, "printer-is-accepting-jobs"), "true") << q;
    EXPECT_EQ(h_.QueueOption(q, "printer-state"), "3") << q;  // idle: enabled
    EXPECT_TRUE(h_.QueueHasOurPpd(q)) << q;
  }
  // The first pass read the serial number, the device ID, then the file's
  // queries; nothing was asked twice.
  EXPECT_EQ(h_.Titles(first),
            (std::vector<std::string>{"INFO SERIAL_NUMBER", "STATUS", "INFO FVER", "INFO MEDIA",
                                      "INFO MEDIA_CLASS_RFID", "INFO MQTY_DEFAULT", "INFO MQTY",
                                      "INFO RQTY"}));
  EXPECT_EQ(h_.CountTitle(later, "INFO SERIAL_NUMBER"), 1u);
}

TEST_F(ServiceRunTest, TwoPrintersAtOnceGetTheBaseQueueAndNumberTwo) {
  ASSERT_TRUE(h_.StartCups());
  h_.emulator().Attach({"serial=TWIN-A"});
  h_.emulator().Attach({"serial=TWIN-B"});
  ASSERT_TRUE(h_.StartService());
  ASSERT_TRUE(h_.WaitForInfoFile("TWIN-A") && h_.WaitForInfoFile("TWIN-B")) << h_.Output();

  const auto calls = h_.LpadminCalls();
  ASSERT_EQ(calls.size(), 2u);
  // Whichever registered first got the base queue; the other saw it.
  const std::string baseSerial = calls[0][8].substr(calls[0][8].find("serial=") + 7);
  const std::string otherSerial = baseSerial == "TWIN-A" ? "TWIN-B" : "TWIN-A";
  EXPECT_EQ(calls[0], ExpectedLpadmin(0, baseSerial));
  EXPECT_EQ(calls[1], ExpectedLpadmin(2, otherSerial));
  EXPECT_EQ(h_.Queues(), (std::map<std::string, std::string>{{kBase, QueueUri(baseSerial)},
                                                             {kBase + "_2", QueueUri(otherSerial)}}));
  EXPECT_EQ(h_.CountOutput("serial TWIN-A\n"), 1u);
  EXPECT_EQ(h_.CountOutput("serial TWIN-B\n"), 1u);
}

TEST_F(ServiceRunTest, FlagFilesDrivePassesAndAnIdlePrinterIsNotTouched) {
  ASSERT_TRUE(h_.StartCups());
  const unsigned id = h_.emulator().Attach();
  ASSERT_TRUE(h_.StartService());
  const std::string serial = kDefaultSerial;
  ASSERT_TRUE(h_.WaitForInfoFile(serial)) << h_.Output();
  ASSERT_TRUE(h_.StartClock());

  // No flags, queue registered: no USB traffic at all.
  ASSERT_TRUE(h_.emulator().ClearLog(id));
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_TRUE(h_.emulator().Log(id).empty());
  EXPECT_TRUE(h_.emulator().Transfers(id).empty());
  EXPECT_EQ(h_.CountOutput("serial " + serial), 1u);

  // "_TC_UTIL": one writing with the total count, and the file is consumed.
  ASSERT_TRUE(h_.TouchFlag(serial, "_TC_UTIL"));
  ASSERT_TRUE(h_.WaitForInfoFile(serial, DefaultInformationFile(serial, "KV-71P", {{"TOTAL_COUNT", "01234"}})))
      << h_.InfoFile(serial);
  EXPECT_FALSE(fs::exists(h_.FlagPath(serial, "_TC_UTIL")));
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_EQ(h_.Titles(id).front(), "MNT_RD COUNTER_LIFE");  // asked before the status
  EXPECT_EQ(h_.CountTitle(id, "MNT_RD COUNTER_LIFE"), 1u);
  EXPECT_EQ(h_.CountTitle(id, "STATUS"), 1u);

  // "_UTIL": a fresh file every cycle for as long as it exists, without the
  // total count.
  ASSERT_TRUE(h_.emulator().ClearLog(id));
  ASSERT_TRUE(h_.TouchFlag(serial, "_UTIL"));
  ASSERT_TRUE(h_.WaitForInfoFile(serial, DefaultInformationFile(serial)));
  ASSERT_TRUE(h_.emulator().Set(id, {"status=1000"}));
  ASSERT_TRUE(h_.WaitForInfoFile(serial, DefaultInformationFile(serial, "KV-71P",
                                     {{"PRINTER_STATUS", "01000"}, {"PRINTER_MESSAGE", "00100"}})));
  EXPECT_TRUE(WaitFor([&] { return h_.CountTitle(id, "STATUS") >= 3; }, 10));
  EXPECT_TRUE(fs::exists(h_.FlagPath(serial, "_UTIL")));
  EXPECT_EQ(h_.CountTitle(id, "MNT_RD COUNTER_LIFE"), 0u);

  // Flag gone: idle again.
  ASSERT_TRUE(fs::remove(h_.FlagPath(serial, "_UTIL")));
  ASSERT_TRUE(h_.AwaitCycles(1));
  ASSERT_TRUE(h_.emulator().ClearLog(id));
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_TRUE(h_.emulator().Log(id).empty());
}

TEST_F(ServiceRunTest, UnplugDuringACycleLeavesThePlaceholderAndFreesTheRecord) {
  ASSERT_TRUE(h_.StartCups());
  const unsigned id = h_.emulator().Attach();
  ASSERT_TRUE(h_.StartService());
  const std::string serial = kDefaultSerial;
  ASSERT_TRUE(h_.WaitForInfoFile(serial));
  ASSERT_TRUE(h_.StartClock());

  // Keep passes coming and pull the printer in the middle of one.
  ASSERT_TRUE(h_.emulator().Set(id, {"unplug-on=MEDIA"}));
  ASSERT_TRUE(h_.TouchFlag(serial, "_UTIL"));
  ASSERT_TRUE(h_.WaitForInfoFile(serial, PlaceholderFile())) << h_.InfoFile(serial);
  // The worker has ended: nothing tries to reach the printer any more.
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_EQ(h_.CountOutput("unable to open device"), 0u) << h_.Output();
  EXPECT_EQ(h_.InfoFile(serial), PlaceholderFile());

  // Plugged in again: a new record reads everything again and finds its
  // queue, so no second queue is made.
  const size_t serialLines = h_.CountOutput("serial " + serial + "\n");
  const unsigned again = h_.emulator().Attach();
  ASSERT_TRUE(WaitFor([&] { return h_.InfoFile(serial) == DefaultInformationFile(serial); }, 15));
  EXPECT_GT(h_.CountOutput("serial " + serial + "\n"), serialLines);
  EXPECT_EQ(h_.CountTitle(again, "INFO SERIAL_NUMBER"), 1u);
  EXPECT_EQ(h_.Queues().size(), 2u) << "the printer's and the clock's";
}

TEST_F(ServiceRunTest, UnplugBeforeTheSerialNumberWasReadWritesTheEmptyNamePlaceholder) {
  h_.emulator().Attach({"unplug-on=SERIAL_NUMBER"});
  ASSERT_TRUE(h_.StartService());
  ASSERT_TRUE(h_.WaitForInfoFile("", PlaceholderFile())) << h_.Output();
  EXPECT_EQ(h_.CountOutput("serial"), 0u);
  EXPECT_TRUE(h_.LpadminCalls().empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(h_.cacheFolder()), fs::directory_iterator()), 1);
}

TEST_F(ServiceRunTest, SerialNumberFailingTwiceIsTriedAgainNextCycle) {
  ASSERT_TRUE(h_.StartCups());
  // A header that is not a number: every serial number read fails.
  const unsigned id = h_.emulator().Attach({"frame.SERIAL_NUMBER=0000000A"});
  ASSERT_TRUE(h_.StartService());
  // Each cycle: the read and its retry, nothing else.
  ASSERT_TRUE(WaitFor([&] { return h_.CountTitle(id, "INFO SERIAL_NUMBER") >= 6; }, 15));
  EXPECT_EQ(h_.Titles(id), std::vector<std::string>(h_.Titles(id).size(), "INFO SERIAL_NUMBER"));
  EXPECT_EQ(h_.CountOutput("serial"), 0u);
  EXPECT_TRUE(h_.LpadminCalls().empty());
  EXPECT_FALSE(fs::exists(h_.InfoFilePath(kDefaultSerial)));

  // The printer answers again: serial number, queue and file.
  ASSERT_TRUE(h_.emulator().Set(id, {"frame.SERIAL_NUMBER="}));
  ASSERT_TRUE(h_.WaitForInfoFile(kDefaultSerial, DefaultInformationFile(kDefaultSerial)));
  EXPECT_EQ(h_.Output(), "serial KVP00123\n");
  EXPECT_EQ(h_.LpadminCalls(), std::vector<std::vector<std::string>>{ExpectedLpadmin(0, kDefaultSerial)});
}

TEST_F(ServiceRunTest, TwoInterfacesGetTwoPassesAndOneQueue) {
  ASSERT_TRUE(h_.StartCups());
  const unsigned id = h_.emulator().Attach({"interfaces=2"});
  ASSERT_TRUE(h_.StartService());
  ASSERT_TRUE(h_.WaitForInfoFile(kDefaultSerial, DefaultInformationFile(kDefaultSerial)));
  // Both interfaces of the first pass wrote the file.
  ASSERT_TRUE(WaitFor([&] { return h_.CountTitle(id, "INFO RQTY") == 2; }, 10));
  std::set<std::string> statusInterfaces;
  for (const std::string& line : h_.emulator().Log(id))
    if (line.find(" STATUS") != std::string::npos)
      statusInterfaces.insert(line.substr(line.find(' ', 6) + 1, 1));
  EXPECT_EQ(statusInterfaces, (std::set<std::string>{"0", "1"}));
  EXPECT_EQ(h_.CountTitle(id, "INFO SERIAL_NUMBER"), 1u);  // read once, on interface 0
  EXPECT_EQ(h_.Output(), "serial KVP00123\nserial KVP00123\n");
  EXPECT_EQ(h_.LpadminCalls().size(), 1u);
}

// SIGTERM (systemctl stop) ends the service at once with status 0, in the
// middle of its passes, leaving the files as they are (SIGINT: every
// test's end).
TEST(ServiceSignalTest, SigtermEndsTheServiceWithStatusZero) {
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  const unsigned id = h.emulator().Attach();
  ASSERT_TRUE(h.StartService());
  ASSERT_TRUE(h.WaitForInfoFile(kDefaultSerial));
  // Without a scheduler no queue is registered: a pass every cycle.
  ASSERT_TRUE(WaitFor([&] { return h.CountTitle(id, "STATUS") >= 2; }, 10));
  EXPECT_EQ(h.StopService(SIGTERM), 0);
  EXPECT_EQ(h.InfoFile(kDefaultSerial), DefaultInformationFile(kDefaultSerial));
}

}  // namespace
}  // namespace kv71p::test
