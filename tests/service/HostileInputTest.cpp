// Hostile printers: serial numbers made to break out of a command line or
// the cache folder, and device IDs that lie about their length or carry
// bytes a file must not. Nothing reaches a shell, nothing lands outside the
// cache folder, the service carries on.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <set>
#include <thread>

#include "ServiceHarness.h"

namespace fs = std::filesystem;

namespace kv71p::test {
namespace {

std::set<std::string> FolderEntries(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.insert(e.path().filename());
  return names;
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
  const std::vector<std::string> refused = {
      "../../kv71p-pwned-5", "..", "a/b", "\x1b[31mred", "bad\xff\xfe", std::string(70, 'S'),
      "line\nbreak"};
  for (const auto& serial : accepted)
    ASSERT_NE(h.emulator().Attach({"serial=" + serial.first}), 0u);
  for (const auto& serial : refused) ASSERT_NE(h.emulator().Attach({"serial=" + serial}), 0u);
  ASSERT_TRUE(h.StartService());

  for (const auto& serial : accepted)
    ASSERT_TRUE(h.WaitForInfoFile(serial.second)) << serial.second << "\n" << h.Output();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_TRUE(h.ServiceRunning());
  EXPECT_EQ(h.StopService(SIGINT), 0);

  // lpadmin received each serial number untouched inside one argument.
  std::set<std::vector<std::string>> expected, calls;
  for (size_t i = 0; i < h.LpadminCalls().size(); ++i) {
    std::vector<std::string> call = h.LpadminCalls()[i];
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
  std::set<std::string> files;
  for (const auto& serial : accepted) files.insert("KV-71P_" + serial.second + ".log");
  EXPECT_EQ(FolderEntries(h.cacheFolder()), files);
  EXPECT_EQ(FolderEntries(h.root() + "/cache"), std::set<std::string>{"KV-71P"});
  for (const std::string& where : {fs::current_path().string(), h.root(), std::string("/")})
    for (int i = 1; i <= 5; ++i)
      EXPECT_FALSE(fs::exists(where + "/kv71p-pwned-" + std::to_string(i))) << where;

  // Only the accepted serial numbers were ever printed, once each.
  for (const auto& serial : accepted)
    EXPECT_EQ(h.CountOutput("serial " + serial.second + "\n"), 1u);
  EXPECT_EQ(h.CountOutput("serial "), accepted.size()) << h.Output();
}

TEST(HostileInput, DeviceIdsThatLieOrCarryBadBytes) {
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  struct Printer {
    std::vector<std::string> properties;
    std::string serial;
    const char* model;  // null: no model name, so no file
  } printers[] = {
      {{"deviceid=MFG:K;DES:" + std::string(5000, 'd') + ";MDL:Huge;"}, "HUGE", "Huge"},
      {{"deviceid=MDL:Liar;", "deviceid-length=65535"}, "LIAR", "Liar"},
      {{"deviceid=MDL:Evil\"Model;"}, "QUOTE", ""},
      {{"deviceid=MDL:Two\nLines;"}, "NEWLINE", ""},
      {{"deviceid=MDL:Ab" + std::string(1, '\0') + "cd;"}, "NUL", "Ab"},
      {{"deviceid=MDL:KV-71P;", "deviceid-length=2"}, "TWO", nullptr},
      {{"deviceid=MDL:KV-71P;", "deviceid-length=1"}, "ONE", nullptr},
      {{"deviceid=MDL:\xff\xfe;"}, "NOTUTF8", nullptr},
      {{"deviceid=" + std::string(300, ';')}, "EMPTYFIELDS", nullptr},
  };
  for (auto& p : printers) {
    p.properties.push_back("serial=" + p.serial);
    ASSERT_NE(h.emulator().Attach(p.properties), 0u);
  }
  ASSERT_TRUE(h.StartService());
  for (const auto& p : printers) {
    if (p.model == nullptr) continue;
    EXPECT_TRUE(h.WaitForInfoFile(p.serial, DefaultInformationFile(p.serial, p.model)))
        << p.serial << "\n" << h.InfoFile(p.serial);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  for (const auto& p : printers) {
    if (p.model != nullptr) continue;
    EXPECT_FALSE(fs::exists(h.InfoFilePath(p.serial))) << p.serial;
  }

  // Still serving: a well-behaved printer attached now gets its file.
  h.emulator().Attach({"serial=AFTER"});
  EXPECT_TRUE(h.WaitForInfoFile("AFTER", DefaultInformationFile("AFTER")));
  EXPECT_EQ(h.StopService(SIGINT), 0);
}

}  // namespace
}  // namespace kv71p::test
