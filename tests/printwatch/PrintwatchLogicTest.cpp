// The window's plain logic: reading the information file, the flag files,
// the gauge value and the test hook's snapshot format.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/FlagFiles.h"
#include "apps/printwatch/InfoFileReader.h"
#include "apps/printwatch/ShownTexts.h"
#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;

namespace {

using namespace kv71p::printwatch;

TEST(InfoFileReader, LinesBeginningWithAKeySetItsValue) {
  const struct {
    const char* text;
    std::string InfoFileValues::*field;
    const char* expected;
  } cases[] = {
      // Every quote goes, wherever it stands; nothing is trimmed.
      {"PRINTER_VERSION=\"1.\"02\" \"\n", &InfoFileValues::m_firmVersion_Log, "1.02 "},
      {"MODEL=\"KV-71P\"\r\n", &InfoFileValues::m_modelStr_Log, "KV-71P\r"},
      // "%20" turns into a blank in the serial number only.
      {"PRINTER_SERIAL_NO=\"AB%20CD%20\"\n", &InfoFileValues::m_serialStr_Log, "AB CD "},
      {"MODEL=\"A%20B\"\n", &InfoFileValues::m_modelStr_Log, "A%20B"},
      // The last line of a key wins; keys must start their line.
      {"PRINTER_STATUS=\"00000\"\nPRINTER_STATUS=\"00001\"\n X=\n",
       &InfoFileValues::m_statusStr_Log, "00001"},
      {" PRINTER_STATUS=\"00001\"\nXPRINTER_STATUS=\"1\"\n", &InfoFileValues::m_statusStr_Log, "old"},
      {"MEDIA_REMAIN=\"00150\"", &InfoFileValues::m_remainStr_Log, "00150"},  // no line feed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    InfoFileValues values;
    values.*c.field = "old";
    ApplyInfoFileText(c.text, &values);
    EXPECT_EQ(c.expected, values.*c.field);
  }
}

// A flag goes straight into the cache folder or nowhere. (Paths too long
// for the window's buffer: test_common; links at a flag's place: SafeFile.)
TEST(FlagFiles, OnlyDirectlyInTheCacheFolder) {
  TestCacheDir dir;
  CheckAndMake_CacheFolder();
  for (const std::string& serial : {std::string("../escape"), std::string("a/b"), std::string(200, 'S')})
    EXPECT_FALSE(CreateFlagFile(FlagFile::WindowOpen, serial)) << serial;
  EXPECT_TRUE(CreateFlagFile(FlagFile::WindowOpen, "SN1"));
  EXPECT_TRUE(RemoveFlagFile(FlagFile::WindowOpen, "SN1"));
  EXPECT_FALSE(RemoveFlagFile(FlagFile::WindowOpen, "SN1"));
}

TEST(GaugePercent, SinglePrecisionQuotientTimesHundredTruncated) {
  const int cases[][3] = {
      {2, 3, 66},  // truncated, not rounded
      {7, 10, 69},  // 0.7f is a little below 0.7
      {-1, 3, -33}, {250, 200, 125},
      {INT_MAX, 1, INT_MAX}, {INT_MIN, 1, INT_MIN},  // saturate instead of overflowing
  };
  for (const auto& c : cases) EXPECT_EQ(c[2], GaugePercent(c[0], c[1])) << c[0] << " of " << c[1];
}

TEST(ShownTexts, EscapedValuesComeBackUnchanged) {
  const ShownTexts texts = {
      {"MESSAGE", "line one\nline two"},
      {"SERIAL_NO", "back\\slash \"quoted\" =equals"},
      {"FIRM_VERSION", std::string("tab\there\r\x01\0", 11)},
      {"STATUS", "Kühlt ab"},
      {"TOTAL_COUNT", ""},
  };
  const std::string text = FormatShownTexts(texts);
  EXPECT_EQ(texts.size(), static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
  const auto parsed = ParseShownTexts(text);
  ASSERT_EQ(texts.size(), parsed.size());
  for (const auto& [name, value] : texts) EXPECT_EQ(value, parsed.at(name)) << name;
}

}  // namespace
