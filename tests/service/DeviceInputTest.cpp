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
#include "common/StatusCode.h"
#include "service/DeviceId.h"
#include "service/QueueRegistration.h"
#include "tests/service/ServiceHarness.h"

using namespace kv71p;
using namespace kv71p::service;

namespace fs = std::filesystem;

namespace kv71p::test {
namespace {

const std::string kBase = "KORVALE_SYSTEMS_KV_71P";

TEST(QueueNumberingRule, QueueForANewPrinter) {
  const std::pair<std::vector<std::string>, int> cases[] = {
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
  for (const auto& [queues, number] : cases)
    EXPECT_EQ(ChooseQueueNumber(queues), number) << ::testing::PrintToString(queues);
}

TEST(QueueNumberingRule, QueueUriOfThePrinter) {
  const char* serial = "KVP%2012";
  const std::pair<const char*, bool> cases[] = {
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012", true},
      {"vexbackend://KORVALE/KV-71P/x?serial=KVP%2012", true},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%20123", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=", false},
      {"vexbackend://korvale%20systems/KV-71P?serial=KVP%2012", false},
      {"usb://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-70?serial=KVP%2012", false},
      {"vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=KVP%2012/serial=KVP%2012", false},
  };
  for (const auto& [uri, ours] : cases) EXPECT_EQ(IsDeviceUriOf(uri, serial), ours) << uri;
  EXPECT_FALSE(UriMentionsSerial("socket://10.0.0.1/KVP 12", serial));
  EXPECT_TRUE(UriMentionsSerial(std::string(246, 'x') + serial, serial));   // 254 bytes
  EXPECT_FALSE(UriMentionsSerial(std::string(247, 'x') + serial, serial));  // 255 bytes
}

// The real service with these queues present and one new printer each:
// the queue it creates (0 the base queue, -1 none). One service, one
// printer per case, the queues of the case set up before it is attached.
TEST(QueueNumberingService, CreatesTheExpectedQueue) {
  const struct {
    const char* serial;
    std::map<std::string, std::string> queues;
    int number;
  } cases[] = {
      {"N1", {{kBase, QueueUri("A1")}, {kBase + "_2", QueueUri("A2")}, {kBase + "_4", QueueUri("A4")}}, 3},
      {"N2", {{kBase + "_2", QueueUri("A2")}}, 1},  // the base queue deleted
      {"N3", {{kBase + "_spare", QueueUri("A9")}}, 1},  // a non-numeric suffix counts as 0
      // The base queue and "_1" both stand for 1; the search lands on 2, whose queue exists.
      {"N4", {{kBase, QueueUri("A0")}, {kBase + "_1", QueueUri("A1")}, {kBase + "_2", QueueUri("A2")}}, 3},
      // A queue of another scheme mentions the serial number: the base queue command.
      {"N5", {{kBase + "_2", QueueUri("A2")}, {"NetworkKV", "socket://192.0.2.7:9100/N5"}}, 0},
      // Text after the serial number: not this printer's queue, but it mentions it.
      {"N6", {{"Mine", QueueUri("N6X")}}, 0},
      // This printer's queue exists under any name: nothing is created.
      {"N7", {{"Photo_Printer", QueueUri("N7")}, {kBase, QueueUri("A1")}}, -1},
  };
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  ASSERT_TRUE(h.StartCups());
  ASSERT_TRUE(h.StartService());
  size_t calls = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    for (const auto& queue : h.Queues()) ASSERT_TRUE(h.DeleteQueue(queue.first));
    for (const auto& [name, uri] : c.queues) ASSERT_TRUE(h.AddQueue(name, uri)) << name;
    h.emulator().Attach({std::string("serial=") + c.serial});
    ASSERT_TRUE(h.WaitForInfoFile(c.serial, DefaultInformationFile(c.serial))) << h.Output();
    std::map<std::string, std::string> after = c.queues;
    if (c.number >= 0) {
      ASSERT_EQ(h.LpadminCalls().size(), ++calls);
      EXPECT_EQ(h.LpadminCalls().back(), ExpectedLpadmin(c.number, c.serial));
      after[h.LpadminCalls().back()[1]] = QueueUri(c.serial);
    }
    EXPECT_EQ(h.Queues(), after);
  }
  EXPECT_EQ(h.LpadminCalls().size(), calls);
  EXPECT_EQ(h.StopService(SIGINT), 0);
}

std::string Answer(unsigned field, const std::string& text) {
  return std::string(1, static_cast<char>(field >> 8)) + static_cast<char>(field & 0xFF) + text;
}

// The length field against the bytes received (the key search: DeviceIdService).
TEST(DeviceIdRules, LengthFieldAgainstBytesReceived) {
  const struct {
    std::string answer;
    unsigned minimum;
    bool hasText;
    std::string text;
  } answers[] = {
      {Answer(10, "MDL:ABC;"), 3, true, "MDL:ABC;"},  // the field counts its own 2 bytes
      {Answer(6, "MDL:ABC;"), 3, true, "MDL:"},       // the field decides
      {Answer(3, "M"), 3, true, "M"},
      {Answer(2, "MDL:A"), 3, false, ""},
      {Answer(2, "MDL:A"), 2, true, ""},
      {Answer(1, "MDL:A"), 2, false, ""},
      {std::string(1, '\0'), 2, false, ""},
      {Answer(9, "MDL:\xc3\xa9"), 3, true, "MDL:\xc3\xa9"},
      {Answer(7, "MDL:\xc3\xa9"), 3, false, ""},  // a character cut in two
  };
  for (const auto& c : answers) {
    std::string text = "untouched";
    EXPECT_EQ(DeviceIdTextFromAnswer(reinterpret_cast<const unsigned char*>(c.answer.data()),
                                     c.answer.size(), c.minimum, &text),
              c.hasText) << ::testing::PrintToString(c.answer);
    EXPECT_EQ(text, c.text) << ::testing::PrintToString(c.answer);
  }
}

// A device ID of exactly `length` bytes (length field included) whose
// model field comes last.
std::string DeviceIdOfLength(size_t length, const std::string& model) {
  const std::string head = "MFG:Korvale;CMD:VEX;DES:", tail = ";MDL:" + model + ";";
  return head + std::string(length - 2 - head.size() - tail.size(), 'x') + tail;
}

// One service, printers with odd and hostile device IDs: the model line of
// each first file, or no file when there is no model name.
TEST(DeviceIdService, ModelLineOfTheFirstFile) {
  const std::string kNoFile = "(no file)";
  const struct {
    std::string serial;
    std::vector<std::string> properties;
    std::string model;  // kNoFile: no model name, so no file
  } printers[] = {
      // Length field 254: all of it in the first answer of 256 bytes.
      {"L254", {"deviceid=" + DeviceIdOfLength(254, "Model254")}, "Model254"},
      // 300: the model comes with the second request of 300 bytes.
      {"L300", {"deviceid=" + DeviceIdOfLength(300, "Model300")}, "Model300"},
      {"LOWER", {"deviceid=MFG:Korvale;  mdl: KV-71P Photo ;CLS:PRINTER;"}, " KV-71P Photo"},
      {"MODEL", {"deviceid=MFG:K;MODEL:First;MDL:Second;"}, "First"},
      {"MDLFIRST", {"deviceid=MDL:Second;MODEL:First;"}, "Second"},
      {"INFIELD", {"deviceid=DES:The MDL:hidden;MDL:shown"}, "shown"},  // a key inside a field is not one
      {"TRIMMED", {"deviceid=MDL:  KV-71P  ;"}, "KV-71P"},
      {"TAB", {"deviceid=MFG:K;\tMdL:\tKV;"}, ""},  // found, but no control character goes into the file
      {"EMPTY", {"deviceid=MFG:K;MDL:;"}, ""},
      {"NOKEY", {"deviceid=MDL KV-71P;MODELS:x"}, kNoFile},
      // 300 announced, 40 sent: the 40 are used.
      {"SHORT", {"deviceid=MFG:Korvale;CMD:VEX;MDL:Short", "deviceid-length=300"}, "Short"},
      // Longer than the record holds: 127 bytes, no character cut in two.
      {"LONG", {"deviceid=MDL:" + std::string(200, 'M') + ";"}, std::string(127, 'M')},
      {"CUT", {"deviceid=MDL:" + std::string(126, 'a') + "\xc3\xa9;"}, std::string(126, 'a')},
      {"HUGE", {"deviceid=MFG:K;DES:" + std::string(5000, 'd') + ";MDL:Huge;"}, "Huge"},
      {"LIAR", {"deviceid=MDL:Liar;", "deviceid-length=65535"}, "Liar"},
      {"QUOTE", {"deviceid=MDL:Evil\"Model;"}, ""},
      {"NEWLINE", {"deviceid=MDL:Two\nLines;"}, ""},
      {"NUL", {"deviceid=MDL:Ab" + std::string(1, '\0') + "cd;"}, "Ab"},
      {"TWO", {"deviceid=MDL:KV-71P;", "deviceid-length=2"}, kNoFile},
      {"ONE", {"deviceid=MDL:KV-71P;", "deviceid-length=1"}, kNoFile},
      {"NOTUTF8", {"deviceid=MDL:\xff\xfe;"}, kNoFile},
      {"EMPTYFIELDS", {"deviceid=" + std::string(300, ';')}, kNoFile},
  };
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  for (const auto& p : printers) {
    std::vector<std::string> properties = p.properties;
    properties.push_back("serial=" + p.serial);
    ASSERT_NE(h.emulator().Attach(properties), 0u);
  }
  ASSERT_TRUE(h.StartService());
  for (const auto& p : printers) {
    if (p.model != kNoFile) {
      EXPECT_TRUE(h.WaitForInfoFile(p.serial, DefaultInformationFile(p.serial, p.model)))
          << p.serial << "\n" << h.InfoFile(p.serial);
    }
  }
  // Still serving: a well-behaved printer attached now gets its file, by
  // when every other printer has had its first passes.
  h.emulator().Attach({"serial=AFTER"});
  EXPECT_TRUE(h.WaitForInfoFile("AFTER", DefaultInformationFile("AFTER")));
  for (const auto& p : printers) {
    if (p.model == kNoFile) {
      EXPECT_FALSE(fs::exists(h.InfoFilePath(p.serial))) << p.serial;
    }
  }
  EXPECT_EQ(h.StopService(SIGINT), 0);
}

TEST(HostileInput, SerialNumbersReachNoShellAndStayInTheCacheFolder) {
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  ASSERT_TRUE(h.StartCups());
  // (the printer's answer, the serial number the service uses)
  const std::vector<std::pair<std::string, std::string>> accepted = {
      {"$(touch${IFS}kv71p-pwned-1)", "$(touch${IFS}kv71p-pwned-1)"},
      {"a;touch kv71p-pwned-2;", "a;touch%20kv71p-pwned-2;"},
      {"`touch kv71p-pwned-3`", "`touch%20kv71p-pwned-3`"},
      {"q'\"x\\", "q'\"x\\"},
      {"a&b|c>kv71p-pwned-4<d*?~", "a&b|c>kv71p-pwned-4<d*?~"},
      {"-rf %2e%2e", "-rf%20%2e%2e"},
  };
  // Answers that would leave the folder, or are no printable text: unread.
  const std::vector<std::string> refused = {"../../kv71p-pwned-5", "..", "a/b", "\x1b[31mred",
                                            "bad\xff\xfe", std::string(70, 'S'), "line\nbreak"};
  for (const auto& serial : accepted) ASSERT_NE(h.emulator().Attach({"serial=" + serial.first}), 0u);
  std::vector<unsigned> refusedIds;
  for (const auto& serial : refused) refusedIds.push_back(h.emulator().Attach({"serial=" + serial}));
  ASSERT_TRUE(h.StartService());
  for (const auto& serial : accepted)
    ASSERT_TRUE(h.WaitForInfoFile(serial.second)) << serial.second << "\n" << h.Output();
  for (unsigned id : refusedIds)  // each read and retried twice over two cycles
    EXPECT_TRUE(WaitFor([&] { return h.CountTitle(id, "INFO SERIAL_NUMBER") >= 4; }, 15));
  EXPECT_TRUE(h.ServiceRunning());
  EXPECT_EQ(h.StopService(SIGINT), 0);

  // lpadmin received each serial number untouched inside one argument.
  std::set<std::vector<std::string>> expected, calls;
  for (std::vector<std::string> call : h.LpadminCalls()) {
    ASSERT_EQ(call.size(), 11u);
    call[1] = call[4] = "";  // the queue's number depends on the order
    calls.insert(call);
  }
  for (const auto& serial : accepted) {
    std::vector<std::string> call = ExpectedLpadmin(0, serial.second);
    call[1] = call[4] = "";
    expected.insert(call);
  }
  EXPECT_EQ(calls, expected);

  // Every file the service made is an information file in the cache folder.
  std::set<std::string> files, found;
  for (const auto& serial : accepted) files.insert("KV-71P_" + serial.second + ".log");
  for (const auto& e : fs::directory_iterator(h.cacheFolder())) found.insert(e.path().filename());
  EXPECT_EQ(found, files);
  EXPECT_EQ(std::distance(fs::directory_iterator(h.root() + "/cache"), fs::directory_iterator()), 1);
  for (const std::string& where : {fs::current_path().string(), h.root(), std::string("/")})
    for (int i = 1; i <= 5; ++i)
      EXPECT_FALSE(fs::exists(where + "/kv71p-pwned-" + std::to_string(i))) << where;
  for (const auto& serial : accepted) EXPECT_EQ(h.CountOutput("serial " + serial.second + "\n"), 1u);
  EXPECT_EQ(h.CountOutput("serial "), accepted.size()) << h.Output();
}

}  // namespace
}  // namespace kv71p::test
