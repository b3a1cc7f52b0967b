// A printer that is unplugged, or falls silent, at every step of a
// worker's pass over its interface (serial number, model name,
// information file with the total count). Every pass must come back in
// bounded time with the interface's opens balanced, a serial number that
// counts as read only when it was, and an information file that holds the
// printer's values up to the step that failed and nothing made up after it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "service/InformationFile.h"
#include "service/InterfacePass.h"
#include "tests/service/EmulatorProcess.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;
using namespace kv71p::service;

namespace {

using kv71p::test::EmulatorProcess;
using kv71p::test::kShort;
using kv71p::test::OpenPrinter;

// The lines of the information file that each query fills.
const std::map<std::string, std::vector<std::string>> kLinesOfQuery = {
    {"STATUS", {"PRINTER_STATUS", "PRINTER_MESSAGE"}},
    {"FVER", {"PRINTER_VERSION"}},
    {"MEDIA", {"MEDIA_SIZE"}},
    {"MEDIA_CLASS_RFID", {"MEDIA_CLASS"}},
    {"MQTY_DEFAULT", {"MEDIA_INITIAL"}},
    {"MQTY", {"MEDIA_REMAIN"}},
    {"RQTY", {"MEDIA_REMAIN_HALF"}},
    {"COUNTER_LIFE", {"TOTAL_COUNT"}},
};

// What a line holds when its query failed.
std::string FailedValue(const std::string& line) {
  if (line == "PRINTER_STATUS") return "99999";
  if (line == "PRINTER_MESSAGE") return "00006";
  return "";
}

std::string WithValue(std::string text, const std::string& key, const std::string& value) {
  const size_t at = text.find("\n" + key + "=\"");
  if (at == std::string::npos) return "(no line " + key + ")";
  const size_t start = at + key.size() + 3;
  const size_t end = text.find("\"\n", start);
  return text.replace(start, end - start, value);
}

struct PassResult {
  bool serialKnown = false;
  bool modelKnown = false;
  int opensAfter = -1;
  double seconds = 0;
  bool fileWritten = false;
  std::string file;
  std::vector<std::string> queries;  // last word of every logged block
};

class PrinterFaults : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(emulator_.Start()); }

  // One pass of a fresh worker over a newly attached printer with `set`.
  PassResult Pass(const std::vector<std::string>& set) {
    PassResult r;
    const unsigned id = emulator_.Attach(set);
    EXPECT_NE(id, 0u);
    auto printer = OpenPrinter(emulator_.socketPath(), id);
    EXPECT_TRUE(printer);
    if (!printer) return r;
    const std::string path = cache_.cache() + "/KV-71P_KVP00123.log";
    unlink(path.c_str());
    PrinterRecord record(printer->device);
    record.queue = QueueState::Registered;  // no lpadmin here: the queue counts as made
    record.flagBits = FlagBit(FlagFile::WindowTotalCount);
    WorkerSettings settings;
    settings.timeouts = kShort;
    const auto start = std::chrono::steady_clock::now();
    PassOverInterface(printer->first(), &record, settings);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.serialKnown = record.serialKnown;
    r.modelKnown = record.modelKnown;
    r.opensAfter = printer->first()->OpenCount();
    r.fileWritten = kv71p::test::Exists(path);
    if (r.fileWritten) r.file = kv71p::test::ReadFile(path);
    for (const std::string& title : emulator_.LoggedTitles(id)) {
      const size_t space = title.rfind(' ');
      r.queries.push_back(space == std::string::npos ? title : title.substr(space + 1));
    }
    return r;
  }

  TestCacheDir cache_;
  EmulatorProcess emulator_;
};

TEST_F(PrinterFaults, UnpluggedOrSilentAtEveryStepOfAPass) {
  const PassResult normal = Pass({});
  ASSERT_TRUE(normal.serialKnown && normal.modelKnown && normal.fileWritten);
  ASSERT_EQ(normal.queries.front(), "SERIAL_NUMBER");
  ASSERT_EQ(normal.queries.size(), 1 + kLinesOfQuery.size());

  for (const char* fault : {"unplug-on", "silent"}) {
    const bool unplug = std::string(fault) == "unplug-on";
    for (size_t step = 0; step < normal.queries.size(); ++step) {
      const std::string& key = normal.queries[step];
      SCOPED_TRACE(std::string(fault) + "=" + key);
      const PassResult r = Pass({std::string(fault) + "=" + key});
      // Bounded: every query waits at most for its time-outs, the serial
      // number is read twice a second apart.
      EXPECT_LT(r.seconds, 10.0);
      EXPECT_EQ(r.opensAfter, 1) << "the pass left its open of the interface behind";
      if (key == "SERIAL_NUMBER") {
        // Without a serial number nothing is written, and it stays unread.
        EXPECT_FALSE(r.serialKnown);
        EXPECT_FALSE(r.fileWritten);
        continue;
      }
      EXPECT_TRUE(r.serialKnown);
      EXPECT_TRUE(r.modelKnown);
      ASSERT_TRUE(r.fileWritten);
      // The failing query and, once the printer is gone, every later one
      // leave their lines empty; the others keep the printer's values.
      std::string expected = normal.file;
      for (size_t later = step; later < normal.queries.size(); ++later) {
        if (later > step && !unplug) break;
        for (const std::string& line : kLinesOfQuery.at(normal.queries[later]))
          expected = WithValue(expected, line, FailedValue(line));
      }
      EXPECT_EQ(r.file, expected);
    }
  }
}

}  // namespace
