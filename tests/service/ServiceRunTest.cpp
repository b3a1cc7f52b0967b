// The real infokv71p against the printer emulator and a private cupsd:
// discovery, workers, queue registration and its retries, flag files,
// removal.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>

#include "common/DeviceUri.h"
#include "delivery/PrinterLock.h"
#include "tests/service/ServiceHarness.h"

namespace fs = std::filesystem;

namespace kv71p::test {
namespace {

const std::string kBase = kQueueBaseName;
using Calls = std::vector<std::vector<std::string>>;
using QueueList = std::map<std::string, std::string>;

class ServiceRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h_.emulator().Start());
    ASSERT_TRUE(h_.StartCups());
  }
  void TearDown() override {
    // SIGINT ends the service at once with status 0, whatever it is doing.
    EXPECT_EQ(h_.StopService(SIGINT), 0) << h_.Output();
  }
  ServiceHarness h_;
};

// A printer attached before the start, then two at once: the base queue,
// then the next numbers, one registration after the other.
TEST_F(ServiceRunTest, EveryPrinterGetsItsQueueAndFile) {
  const unsigned first = h_.emulator().Attach({"serial=EARLY 1"});
  ASSERT_TRUE(h_.StartService());
  ASSERT_TRUE(h_.WaitForInfoFile("EARLY%201", DefaultInformationFile("EARLY%201"))) << h_.Output();
  EXPECT_EQ(h_.Output(), "serial EARLY%201\n");
  EXPECT_EQ(h_.LpadminCalls(), Calls{ExpectedLpadmin(0, "EARLY%201")});
  // The first pass read the serial number, the device ID, then the file's
  // queries; nothing was asked twice.
  EXPECT_EQ(h_.Titles(first),
            (std::vector<std::string>{"INFO SERIAL_NUMBER", "STATUS", "INFO FVER", "INFO MEDIA",
                                      "INFO MEDIA_CLASS_RFID", "INFO MQTY_DEFAULT", "INFO MQTY",
                                      "INFO RQTY"}));

  h_.emulator().Attach({"serial=TWIN-A"});
  h_.emulator().Attach({"serial=TWIN-B"});
  ASSERT_TRUE(h_.WaitForInfoFile("TWIN-A", DefaultInformationFile("TWIN-A")) &&
              h_.WaitForInfoFile("TWIN-B", DefaultInformationFile("TWIN-B"))) << h_.Output();
  const Calls calls = h_.LpadminCalls();
  ASSERT_EQ(calls.size(), 3u);
  // Whichever registered first got number 2; the other saw its queue.
  const std::string second = calls[1][8].substr(calls[1][8].find("serial=") + 7);
  const std::string third = second == "TWIN-A" ? "TWIN-B" : "TWIN-A";
  EXPECT_EQ(calls[1], ExpectedLpadmin(2, second));
  EXPECT_EQ(calls[2], ExpectedLpadmin(3, third));
  EXPECT_EQ(h_.Queues(), (QueueList{{kBase, DeviceUriOf("EARLY%201")},
                                    {kBase + "_2", DeviceUriOf(second)},
                                    {kBase + "_3", DeviceUriOf(third)}}));
}

// An idle printer is not touched; a flag file brings passes (what each
// flag asks for: the information file's tests and the scenario test); a
// printer unplugged in the middle of a pass leaves its placeholder and its
// worker ends; plugged in again it finds its queue.
TEST_F(ServiceRunTest, IdlePassesAndUnplugging) {
  const unsigned id = h_.emulator().Attach();
  ASSERT_TRUE(h_.StartService());
  const std::string serial = kDefaultSerial;
  ASSERT_TRUE(h_.WaitForInfoFile(serial)) << h_.Output();
  ASSERT_TRUE(h_.StartClock());
  ASSERT_TRUE(h_.emulator().ClearLog(id));
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_TRUE(h_.emulator().Transfers(id).empty()) << "no flags, queue registered: no USB traffic";

  ASSERT_TRUE(h_.emulator().Set(id, {"unplug-on=MEDIA"}));
  ASSERT_TRUE(h_.TouchFlag(serial, FlagFile::WindowOpen));
  ASSERT_TRUE(h_.WaitForInfoFile(serial, PlaceholderFile())) << h_.InfoFile(serial);
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_EQ(h_.CountOutput("unable to open device"), 0u) << "the worker has ended";
  EXPECT_EQ(h_.InfoFile(serial), PlaceholderFile());

  const size_t serialLines = h_.CountOutput("serial " + serial + "\n");
  const unsigned again = h_.emulator().Attach();
  ASSERT_TRUE(h_.WaitForInfoFile(serial, DefaultInformationFile(serial)));
  EXPECT_GT(h_.CountOutput("serial " + serial + "\n"), serialLines);
  EXPECT_EQ(h_.CountTitle(again, "INFO SERIAL_NUMBER"), 1u);
  EXPECT_EQ(h_.LpadminCalls().size(), 2u) << "the printer's and the clock's";

  // Flag gone: idle again.
  ASSERT_TRUE(fs::remove(h_.FlagPath(serial, FlagFile::WindowOpen)));
  ASSERT_TRUE(h_.AwaitCycles(1));
  ASSERT_TRUE(h_.emulator().ClearLog(again));
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_TRUE(h_.emulator().Transfers(again).empty());
}

// While a print job holds the printer's hand-over lock the service leaves
// the printer and its flags alone (the job answers them); released, the
// next cycle takes the flag and asks the printer.
TEST_F(ServiceRunTest, PrinterHeldByAPrintJobIsLeftAlone) {
  const unsigned id = h_.emulator().Attach();
  ASSERT_TRUE(h_.StartService());
  const std::string serial = kDefaultSerial;
  ASSERT_TRUE(h_.WaitForInfoFile(serial)) << h_.Output();
  ASSERT_TRUE(h_.StartClock());
  setenv("KV71P_LOCK_DIR", h_.lockFolder().c_str(), 1);
  delivery::PrinterLock job(serial);
  ASSERT_EQ(delivery::LockAttempt::Taken, job.Take(nullptr, nullptr));
  ASSERT_TRUE(h_.emulator().ClearLog(id));
  ASSERT_TRUE(h_.TouchFlag(serial, FlagFile::WindowTotalCount));
  ASSERT_TRUE(h_.AwaitCycles(2));
  EXPECT_TRUE(h_.emulator().Transfers(id).empty());
  EXPECT_TRUE(fs::exists(h_.FlagPath(serial, FlagFile::WindowTotalCount))) << "the job's to take";

  job.Release();
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(h_.FlagPath(serial, FlagFile::WindowTotalCount)); }, 10));
  EXPECT_TRUE(WaitFor([&] { return h_.CountTitle(id, "MNT_RD COUNTER_LIFE") == 1; }, 10));
}

// A serial number that fails twice is tried again next cycle; a printer
// with two interfaces gets two passes per cycle and one queue.
TEST_F(ServiceRunTest, SerialNumberRetriesAndTwoInterfaces) {
  // A header that is not a number: every serial number read fails.
  const unsigned failing = h_.emulator().Attach({"frame.SERIAL_NUMBER=0000000A", "serial=LATER"});
  const unsigned twin = h_.emulator().Attach({"interfaces=2", "serial=TWO"});
  ASSERT_TRUE(h_.StartService());
  ASSERT_TRUE(h_.WaitForInfoFile("TWO", DefaultInformationFile("TWO")));
  // Both interfaces of the first pass wrote the file.
  ASSERT_TRUE(WaitFor([&] { return h_.CountTitle(twin, "INFO RQTY") == 2; }, 10));
  std::set<std::string> statusInterfaces;
  for (const std::string& line : h_.emulator().Log(twin))
    if (line.find(" STATUS") != std::string::npos)
      statusInterfaces.insert(line.substr(line.find(' ', 6) + 1, 1));
  EXPECT_EQ(statusInterfaces, (std::set<std::string>{"0", "1"}));
  EXPECT_EQ(h_.CountTitle(twin, "INFO SERIAL_NUMBER"), 1u);  // read once, on interface 0
  EXPECT_EQ(h_.CountOutput("serial TWO\n"), 2u);

  // Each cycle: the read and its retry, nothing else.
  ASSERT_TRUE(WaitFor([&] { return h_.CountTitle(failing, "INFO SERIAL_NUMBER") >= 6; }, 15));
  EXPECT_EQ(h_.Titles(failing), std::vector<std::string>(h_.Titles(failing).size(), "INFO SERIAL_NUMBER"));
  EXPECT_EQ(h_.CountOutput("serial LATER"), 0u);
  EXPECT_FALSE(fs::exists(h_.InfoFilePath("LATER")));
  // The printer answers again: serial number, queue and file.
  ASSERT_TRUE(h_.emulator().Set(failing, {"frame.SERIAL_NUMBER="}));
  ASSERT_TRUE(h_.WaitForInfoFile("LATER", DefaultInformationFile("LATER")));
  EXPECT_EQ(h_.LpadminCalls(), (Calls{ExpectedLpadmin(0, "TWO"), ExpectedLpadmin(2, "LATER")}));
}

// A failed lpadmin registers nothing: the printer's next passes try again,
// at most once per retry time, with one line each time.
TEST_F(ServiceRunTest, FailedLpadminIsTriedAgainLater) {
  h_.FailLpadmin(true);
  const unsigned id = h_.emulator().Attach();
  ASSERT_TRUE(h_.StartService({"KV71P_QUEUE_RETRY_SECONDS=6"}));
  ASSERT_TRUE(h_.WaitForInfoFile(kDefaultSerial, DefaultInformationFile(kDefaultSerial)));
  // Without a queue every cycle makes a pass: three passes, one attempt.
  const size_t passes = h_.CountTitle(id, "STATUS");
  ASSERT_TRUE(WaitFor([&] { return h_.CountTitle(id, "STATUS") >= passes + 2; }, 10));
  EXPECT_EQ(h_.LpadminCalls().size(), 1u);
  EXPECT_EQ(h_.CountOutput("RegisterQueue: lpadmin for queue " + kBase +
                           " failed (status 1); trying again in 6 s\n"), 1u) << h_.Output();
  EXPECT_TRUE(h_.Queues().empty());

  h_.FailLpadmin(false);
  ASSERT_TRUE(WaitFor([&] { return h_.Queues().size() == 1; }, 15)) << h_.Output();
  EXPECT_EQ(h_.Queues(), (QueueList{{kBase, DeviceUriOf(kDefaultSerial)}}));
  EXPECT_EQ(h_.LpadminCalls(), Calls(2, ExpectedLpadmin(0, kDefaultSerial)));
  EXPECT_EQ(h_.CountOutput("RegisterQueue:"), 1u);
}

}  // namespace
}  // namespace kv71p::test
