// The window's plain logic: reading the information file, the flag files,
// the gauge value and the test hook's snapshot format.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/FlagFiles.h"
#include "apps/printwatch/InfoFileReader.h"
#include "apps/printwatch/ShownTexts.h"
#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "common/SerialNumber.h"
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

TEST(Utf8Text, RejectsEveryMalformedSequence) {
  const std::pair<std::string, bool> cases[] = {
      {"plain ASCII", true},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x93\xB7", true},  // ä € 📷
      {std::string("nul\0inside", 10), true},
      {"\xED\x9F\xBF", true},      // U+D7FF
      {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
      {"\x80", false},             // stray continuation
      {"\xE2\x82", false},         // truncated
      {"\xC0\xAF", false},         // overlong
      {"\xE0\x80\xAF", false},
      {"\xF0\x80\x80\xAF", false},
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xC3\x28", false},  // bad continuation
  };
  for (const auto& [text, valid] : cases)
    EXPECT_EQ(valid, IsValidUtf8(text)) << testing::PrintToString(text);
}

// Flag paths that would not fit the window's buffer or would leave the
// folder make no flag; a link planted at a flag's place is neither followed
// nor is its target removed.
TEST(FlagFiles, OnlyInTheFolderAndNeverThroughALink) {
  TestTempDir dir;
  setenv("KV71P_CACHE_DIR", (dir / "Korvale/KV-71P").c_str(), 1);
  CheckAndMake_CacheFolder();
  // A serial number that makes the window flag path exactly `length` long.
  auto serialFor = [](size_t length) {
    return std::string(length - CacheFilePath(FlagFileName(FlagFile::WindowOpen, "")).size(), 'S');
  };
  const std::pair<std::string, bool> cases[] = {
      {serialFor(127), true},   // 127 characters and the NUL fit
      {serialFor(128), false},  // one more does not
      {"../escape", false},
      {"a/b", false},
  };
  for (const auto& [serial, created] : cases)
    EXPECT_EQ(created, CreateFlagFile(FlagFile::WindowOpen, serial)) << serial;
  EXPECT_FALSE(CreateFlagFile(FlagFile::WindowStarted, serialFor(122)))
      << "the start flag's name is six characters longer";

  const std::string victim = dir / "victim";
  ASSERT_TRUE(kv71p::test::WriteFile(victim, "precious"));
  ASSERT_EQ(0, chmod(victim.c_str(), 0600));
  const std::string flag = CacheFilePath(FlagFileName(FlagFile::WindowTotalCount, "SN1"));
  ASSERT_EQ(0, symlink(victim.c_str(), flag.c_str()));
  EXPECT_FALSE(CreateFlagFile(FlagFile::WindowTotalCount, "SN1"));
  EXPECT_TRUE(RemoveFlagFile(FlagFile::WindowTotalCount, "SN1"));
  EXPECT_EQ("precious", kv71p::test::ReadFile(victim));
  struct stat st;
  ASSERT_EQ(0, stat(victim.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 07777);
  unsetenv("KV71P_CACHE_DIR");
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
