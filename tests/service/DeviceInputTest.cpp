// What the service makes of what it finds: the queue a new printer gets
// among the existing ones, the model name from the IEEE 1284 device ID, and
// hostile printers whose serial numbers and device IDs try to break out of
// a command line, the cache folder or the file format.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>

#include "common/DeviceUri.h"
#include "common/PrinterFiles.h"
#include "service/QueueNumbering.h"
#include "service/QueueRegistration.h"
#include "tests/service/ServiceHarness.h"

namespace fs = std::filesystem;

namespace kv71p::test {
namespace {

using kv71p::service::ChooseQueueNumber;
using kv71p::service::UriMentionsSerial;

const std::string kBase = kQueueBaseName;

// (Which device URIs are a printer's: test_common, and the service's queue
// cases below.)
TEST(QueueRules, NumberOfANewPrinter) {
  const std::pair<std::vector<std::string>, int> numbers[] = {
      {{}, 0},
      {{"Office", "Photo"}, 0},
      {{kBase}, 2},
      {{kBase, kBase + "_spare"}, 1},
      {{kBase + "_2_old", kBase + "_3x"}, 1},  // 0 and 3
      {{"korvale_systems_kv_71p_2", "MY_" + kBase}, 3},
      {{kBase, kBase + "_99999999999"}, 2},  // INT_MAX
      // The search lands on a number whose queue exists: the next free one.
      {{kBase + "_1", kBase + "_spare"}, 2},
      {{kBase, "korvale_systems_kv_71p_1", kBase + "_2", kBase + "_3"}, 4},
  };
  for (const auto& [queues, number] : numbers)
    EXPECT_EQ(ChooseQueueNumber(queues), number) << ::testing::PrintToString(queues);
  EXPECT_FALSE(UriMentionsSerial("socket://10.0.0.1/KVP 12", "KVP%2012"));
  EXPECT_TRUE(UriMentionsSerial(std::string(246, 'x') + "KVP%2012", "KVP%2012"));   // 254 bytes
  EXPECT_FALSE(UriMentionsSerial(std::string(247, 'x') + "KVP%2012", "KVP%2012"));  // 255 bytes
}

// The real service with these queues present and one new printer each:
// the queue it creates (0 the base queue, -1 none).
TEST(QueueRegistrationService, CreatesTheExpectedQueueAndNeverRedefinesOne) {
  const struct {
    const char* serial;
    std::map<std::string, std::string> queues;
    int number;
  } cases[] = {
      {"N1", {{kBase, DeviceUriOf("A1")}, {kBase + "_2", DeviceUriOf("A2")}, {kBase + "_4", DeviceUriOf("A4")}}, 3},
      // A queue of another scheme mentions the serial number: the base queue, which is free.
      {"N5", {{kBase + "_2", DeviceUriOf("A2")}, {"NetworkKV", "socket://192.0.2.7:9100/N5"}}, 0},
      // Text after the serial number: not this printer's queue, but it mentions it.
      {"N6", {{"Mine", DeviceUriOf("N6X")}}, 0},
      // The base queue belongs to another printer: it is not taken over.
      {"N8", {{kBase, DeviceUriOf("A1")}, {"NetworkKV", "socket://192.0.2.7:9100/N8"}}, 2},
      // This printer's queue exists under any name: nothing is created.
      {"N7", {{"Photo_Printer", DeviceUriOf("N7")}, {kBase, DeviceUriOf("A1")}}, -1},
      // An empty serial number, which every URI "contains": no queue at all.
      {"", {{kBase, DeviceUriOf("A1")}}, -1},
  };
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  ASSERT_TRUE(h.StartCups());
  ASSERT_TRUE(h.StartService());
  size_t calls = 0;
  unsigned id = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    if (id != 0) {
      ASSERT_TRUE(h.emulator().Detach(id));
    }
    for (const auto& queue : h.Queues()) ASSERT_TRUE(h.DeleteQueue(queue.first));
    for (const auto& [name, uri] : c.queues) ASSERT_TRUE(h.AddQueue(name, uri)) << name;
    id = h.emulator().Attach({std::string("serial=") + c.serial});
    ASSERT_TRUE(h.WaitForInfoFile(c.serial, DefaultInformationFile(c.serial))) << h.Output();
    std::map<std::string, std::string> after = c.queues;
    if (c.number >= 0) {
      ASSERT_EQ(h.LpadminCalls().size(), ++calls);
      EXPECT_EQ(h.LpadminCalls().back(), ExpectedLpadmin(c.number, c.serial));
      after[h.LpadminCalls().back()[1]] = DeviceUriOf(c.serial);
    }
    EXPECT_EQ(h.Queues(), after);
  }
  // The printer without a serial number is told once, not every cycle.
  ASSERT_TRUE(h.StartClock() && h.AwaitCycles(2));
  EXPECT_EQ(h.LpadminCalls().size(), calls + 1) << "the clock's";
  EXPECT_EQ(h.CountOutput("RegisterQueue: no queue for a printer without a serial number\n"), 1u);
  EXPECT_EQ(h.StopService(SIGINT), 0);
}

// A device ID of exactly `length` bytes (length field included) whose
// model field comes last.
std::string DeviceIdOfLength(size_t length, const std::string& model) {
  const std::string head = "MFG:Korvale;CMD:VEX;DES:", tail = ";MDL:" + model + ";";
  return head + std::string(length - 2 - head.size() - tail.size(), 'x') + tail;
}

// One service, printers with odd and hostile device IDs and serial numbers.
// A device ID gives the model line of the printer's first file, or no file
// when it has no model name (a model too long, or one that would break the
// line: the information file's tests). A serial number reaches no shell
// and names no file outside the cache folder; a refused one is logged once
// with its reason. SIGTERM ends the service, the files stay.
TEST(HostilePrinters, DeviceIdsAndSerialNumbers) {
  const std::string kNoFile = "(no file)";
  const struct {
    std::string serial;
    std::vector<std::string> properties;
    std::string model;  // kNoFile: no model name, so no file
  } byDeviceId[] = {
      // Length field 254: all of it in the first answer of 256 bytes.
      {"L254", {"deviceid=" + DeviceIdOfLength(254, "Model254")}, "Model254"},
      // 300: the model comes with the second request of 300 bytes.
      {"L300", {"deviceid=" + DeviceIdOfLength(300, "Model300")}, "Model300"},
      {"LOWER", {"deviceid=MFG:Korvale;  mdl: KV-71P Photo ;CLS:PRINTER;"}, " KV-71P Photo"},
      {"MODEL", {"deviceid=MFG:K;MODEL:First;MDL:Second;"}, "First"},
      {"MDLFIRST", {"deviceid=MDL:Second;MODEL:First;"}, "Second"},
      {"INFIELD", {"deviceid=DES:The MDL:hidden;MDL:shown"}, "shown"},  // a key inside a field is not one
      {"TRIMMED", {"deviceid=MDL:  KV-71P  ;"}, "KV-71P"},
      {"EMPTY", {"deviceid=MFG:K;MDL:;"}, ""},
      {"NOKEY", {"deviceid=MDL KV-71P;MODELS:x"}, kNoFile},
      // The length field decides how much is text: 8 leaves "MDL:AB".
      {"FIELD", {"deviceid=MDL:ABC;", "deviceid-length=8"}, "AB"},
      // 300 announced, 40 sent: the 40 are used.
      {"SHORT", {"deviceid=MFG:Korvale;CMD:VEX;MDL:Short", "deviceid-length=300"}, "Short"},
      {"LIAR", {"deviceid=MDL:Liar;", "deviceid-length=65535"}, "Liar"},
      {"NUL", {"deviceid=MDL:Ab" + std::string(1, '\0') + "cd;"}, "Ab"},
      {"TWO", {"deviceid=MDL:KV-71P;", "deviceid-length=2"}, kNoFile},
      {"ONE", {"deviceid=MDL:KV-71P;", "deviceid-length=1"}, kNoFile},
      {"NOTUTF8", {"deviceid=MDL:\xff\xfe;"}, kNoFile},
      {"HALF", {"deviceid=MDL:\xc3\xa9;", "deviceid-length=7"}, kNoFile},  // a character cut in two
  };
  // (the printer's answer, the serial number the service uses)
  const std::vector<std::pair<std::string, std::string>> accepted = {
      {"$(touch${IFS}kv71p-pwned-1)", "$(touch${IFS}kv71p-pwned-1)"},
      {"a;touch kv71p-pwned-2;", "a;touch%20kv71p-pwned-2;"},
      {"`touch kv71p-pwned-3`", "`touch%20kv71p-pwned-3`"},
      {"q'\"x\\", "q'\"x\\"},
      {"a&b|c>kv71p-pwned-4<d*?~", "a&b|c>kv71p-pwned-4<d*?~"},
      {"-rf %2e%2e", "-rf%20%2e%2e"},
  };
  // Answers that would leave the folder, or are no printable text: unread
  // (every refusal: test_common).
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"../../kv71p-pwned-5", "holds \"/\" or \"..\""}, {"\x1b[31mred", "holds a control character"}};
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  ASSERT_TRUE(h.StartCups());
  std::set<std::vector<std::string>> expectedCalls;
  std::set<std::string> expectedFiles = {InformationFileName("")};
  auto expect = [&](const std::string& serial) {
    std::vector<std::string> call = ExpectedLpadmin(0, serial);
    call[1] = call[4] = "";  // the queue's number depends on the order
    expectedCalls.insert(call);
    expectedFiles.insert(InformationFileName(serial));
  };
  for (const auto& p : byDeviceId) {
    std::vector<std::string> properties = p.properties;
    properties.push_back("serial=" + p.serial);
    ASSERT_NE(h.emulator().Attach(properties), 0u);
    if (p.model != kNoFile) expect(p.serial);
  }
  for (const auto& serial : accepted) {
    ASSERT_NE(h.emulator().Attach({"serial=" + serial.first}), 0u);
    expect(serial.second);
  }
  std::vector<unsigned> refusedIds;
  for (const auto& serial : refused) refusedIds.push_back(h.emulator().Attach({"serial=" + serial.first}));
  // Unplugged before its serial number was read: the placeholder under the
  // name of the empty serial number.
  h.emulator().Attach({"unplug-on=SERIAL_NUMBER", "serial=GONE"});
  ASSERT_TRUE(h.StartService());

  for (const auto& p : byDeviceId) {
    if (p.model == kNoFile) continue;
    EXPECT_TRUE(h.WaitForInfoFile(p.serial, DefaultInformationFile(p.serial, p.model))) << p.serial;
  }
  for (const auto& serial : accepted) EXPECT_TRUE(h.WaitForInfoFile(serial.second)) << serial.second;
  EXPECT_TRUE(h.WaitForInfoFile("", PlaceholderFile()));
  for (unsigned id : refusedIds)  // each read and retried twice over two cycles
    EXPECT_TRUE(WaitFor([&] { return h.CountTitle(id, "INFO SERIAL_NUMBER") >= 4; }, 15));
  // SIGTERM (systemctl stop) ends the service at once with status 0.
  ASSERT_EQ(h.StopService(SIGTERM), 0);

  std::set<std::vector<std::string>> calls;
  for (std::vector<std::string> call : h.LpadminCalls()) {
    ASSERT_EQ(call.size(), 11u);
    call[1] = call[4] = "";
    calls.insert(call);
  }
  EXPECT_EQ(calls, expectedCalls) << "lpadmin received each serial number untouched in one argument";
  EXPECT_EQ(FolderNames(h.cacheFolder()), expectedFiles);
  EXPECT_EQ(FolderNames(h.root() + "/cache"), std::set<std::string>{"KV-71P"});
  for (const std::string& where : {fs::current_path().string(), h.root(), std::string("/")})
    for (int i = 1; i <= 5; ++i)
      EXPECT_FALSE(fs::exists(where + "/kv71p-pwned-" + std::to_string(i))) << where;
  for (const auto& serial : accepted) EXPECT_EQ(h.CountOutput("serial " + serial.second + "\n"), 1u);
  for (const auto& serial : refused)
    EXPECT_EQ(h.CountOutput("ReadSerialNumber: serial number refused (" + serial.second + ")"), 1u);
}

}  // namespace
}  // namespace kv71p::test
