// The status window reads the information file while the service rewrites
// it, again and again: the placeholder of a printer that is gone and a
// full file take turns. Every reading must find the file, see one whole
// version of it, and leave every shown value at one of the two versions'.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "apps/printwatch/InfoFileReader.h"
#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "common/CacheFolder.h"
#include "common/SafeFile.h"
#include "service/InformationFile.h"
#include "tests/support/InfoFileText.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;
using namespace kv71p::service;

namespace {

namespace pw = kv71p::printwatch;

// A full file, with a version line long enough to be written in parts.
const std::string kFull = kv71p::test::InfoFileText(
    {{"MODEL", "KV-71P"}, {"PRINTER_STATUS", "01000"}, {"PRINTER_MESSAGE", "00100"},
     {"PRINTER_VERSION", "1.53." + std::string(51, '0')}, {"PRINTER_SERIAL_NO", "SN1"}, {"MEDIA_SIZE", "00510"},
     {"MEDIA_CLASS", "0000002"}, {"MEDIA_INITIAL", "00400"}, {"MEDIA_REMAIN", "00123"},
     {"MEDIA_REMAIN_HALF", "00246"}, {"TOTAL_COUNT", "01234"}});

bool OneOf(const std::string& value, const std::string& a, const std::string& b) {
  return value == a || value == b;
}

TEST(RewriteRace, ReaderSeesWholeVersionsOnly) {
  TestCacheDir dir;
  const std::string name = InformationFileName("SN1");
  const std::string path = dir.cache() + "/" + name;

  // The two versions as the window parses them.
  WritePlaceholderFile("SN1");
  std::string placeholder;
  ASSERT_EQ(pw::ReadInfoFileText(path, &placeholder), pw::InfoFileRead::Ok);
  pw::InfoFileValues a, b;
  pw::ApplyInfoFileText(placeholder, &a);
  pw::ApplyInfoFileText(kFull, &b);

  std::atomic<bool> stop{false};
  std::atomic<long> writes{0};
  std::thread writer([&] {
    while (!stop) {
      WritePlaceholderFile("SN1");  // the placeholder writer of the service
      // What the full writer publishes, the same way.
      kv71p::WriteWholeFile(kv71p::CacheFolder(), name, kFull, 0666, kv71p::WriteMode::Atomic);
      writes += 2;
    }
  });

  long reads = 0, bad = 0;
  pw::InfoFileValues shown = a;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end && bad < 5) {
    std::string text;
    const pw::InfoFileRead r = pw::ReadInfoFileText(path, &text);
    ++reads;
    if (r != pw::InfoFileRead::Ok || (text != placeholder && text != kFull)) {
      ++bad;
      ADD_FAILURE() << "reading " << reads << ": result " << static_cast<int>(r) << ", text:\n"
                    << text;
      continue;
    }
    pw::ApplyInfoFileText(text, &shown);
    const pw::InfoFileValues& version = text == kFull ? b : a;
    EXPECT_EQ(shown.m_statusStr_Log, version.m_statusStr_Log);
    EXPECT_TRUE(OneOf(shown.m_remainStr_Log, a.m_remainStr_Log, b.m_remainStr_Log));
    EXPECT_EQ(shown.m_firmVersion_Log, version.m_firmVersion_Log);
    EXPECT_EQ(shown.m_totalCountStr_Log, version.m_totalCountStr_Log);
  }
  stop = true;
  writer.join();
  EXPECT_GT(writes.load(), 100);
  EXPECT_GT(reads, 100);
}

}  // namespace
