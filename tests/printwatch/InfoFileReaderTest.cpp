#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "InfoFileReader.h"
#include "Subprocess.h"
#include "TestTempDir.h"
#include "Utf8Text.h"

namespace {

using kv71p::printwatch::ApplyInfoFileText;
using kv71p::printwatch::InfoFileRead;
using kv71p::printwatch::InfoFileValues;
using kv71p::printwatch::ReadInfoFileText;

TEST(InfoFileReader, LinesBeginningWithAKeySetItsValue) {
  struct Case {
    const char* text;
    std::string InfoFileValues::*field;
    const char* expected;
  };
  const Case cases[] = {
      {"PRINTER_STATUS=\"01100\"\n", &InfoFileValues::m_statusStr_Log, "01100"},
      // Every quote goes, wherever it stands; nothing is trimmed.
      {"PRINTER_VERSION=\"1.\"02\" \"\n", &InfoFileValues::m_firmVersion_Log, "1.02 "},
      {"MODEL=\"KV-71P\"\r\n", &InfoFileValues::m_modelStr_Log, "KV-71P\r"},
      // "%20" turns into a blank in the serial number only.
      {"PRINTER_SERIAL_NO=\"AB%20CD%20\"\n", &InfoFileValues::m_serialStr_Log, "AB CD "},
      {"MODEL=\"A%20B\"\n", &InfoFileValues::m_modelStr_Log, "A%20B"},
      // The last line of a key wins; keys must start their line.
      {"PRINTER_STATUS=\"00000\"\nPRINTER_STATUS=\"00001\"\n X=\n",
       &InfoFileValues::m_statusStr_Log, "00001"},
      {" PRINTER_STATUS=\"00001\"\nXPRINTER_STATUS=\"1\"\n", &InfoFileValues::m_statusStr_Log,
       "old"},
      // MEDIA_REMAIN= and MEDIA_REMAIN_HALF= are told apart.
      {"MEDIA_REMAIN_HALF=\"00300\"\n", &InfoFileValues::m_remainHalfStr_Log, "00300"},
      {"MEDIA_REMAIN_HALF=\"00300\"\n", &InfoFileValues::m_remainStr_Log, "old"},
      {"MEDIA_REMAIN=\"00150\"", &InfoFileValues::m_remainStr_Log, "00150"},
      // A key cut off in the middle of a rewrite leaves the old value.
      {"#PRINTER_INFORMATION\nMODEL=\"KV-71P\"\nPRINTER_STA", &InfoFileValues::m_statusStr_Log,
       "old"},
      {"TOTAL_COUNT=\"\"\n", &InfoFileValues::m_totalCountStr_Log, ""},
      {"", &InfoFileValues::m_mediaClassStr_Log, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    InfoFileValues values;
    values.*c.field = "old";
    ApplyInfoFileText(c.text, &values);
    EXPECT_EQ(c.expected, values.*c.field);
  }
}

TEST(InfoFileReader, OnlyWholeRegularUtf8FilesAreRead) {
  TestTempDir dir;
  const std::string good = dir / "good.log";
  ASSERT_TRUE(kv71p::test::WriteFile(good, "MODEL=\"K\xC3\xA4\"\n"));
  ASSERT_TRUE(kv71p::test::WriteFile(dir / "latin1.log", "MODEL=\"K\xE4\"\n"));
  ASSERT_TRUE(kv71p::test::WriteFile(dir / "big.log", std::string(64 * 1024 + 1, 'x')));
  ASSERT_TRUE(kv71p::test::WriteFile(dir / "empty.log", ""));
  ASSERT_EQ(0, symlink(good.c_str(), (dir / "link.log").c_str()));
  ASSERT_EQ(0, mkfifo((dir / "fifo.log").c_str(), 0600));  // must not hang the window
  ASSERT_EQ(0, mkdir((dir / "folder.log").c_str(), 0700));

  const struct {
    const char* name;
    InfoFileRead expected;
  } cases[] = {
      {"good.log", InfoFileRead::Ok},        {"empty.log", InfoFileRead::Ok},
      {"missing.log", InfoFileRead::Missing}, {"latin1.log", InfoFileRead::Failed},
      {"big.log", InfoFileRead::Failed},     {"link.log", InfoFileRead::Failed},
      {"fifo.log", InfoFileRead::Failed},    {"folder.log", InfoFileRead::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    EXPECT_EQ(c.expected, ReadInfoFileText(dir / c.name, &text));
  }
  std::string text;
  ASSERT_EQ(InfoFileRead::Ok, ReadInfoFileText(good, &text));
  EXPECT_EQ("MODEL=\"K\xC3\xA4\"\n", text);
}

TEST(Utf8Text, RejectsEveryMalformedSequence) {
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"plain ASCII", true},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x93\xB7", true},  // ä € 📷
      {std::string("nul\0inside", 10), true},
      {"\xED\x9F\xBF", true},                // U+D7FF
      {"\xF4\x8F\xBF\xBF", true},            // U+10FFFF
      {"\x80", false},                       // stray continuation
      {"\xC3", false},                       // truncated
      {"\xE2\x82", false},                   // truncated
      {"\xC0\xAF", false},                   // overlong
      {"\xE0\x80\xAF", false},               // overlong
      {"\xF0\x80\x80\xAF", false},           // overlong
      {"\xED\xA0\x80", false},               // surrogate
      {"\xF4\x90\x80\x80", false},           // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xC3\x28", false},                   // bad continuation
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.valid, kv71p::printwatch::IsValidUtf8(c.text)) << testing::PrintToString(c.text);
  }
}

}  // namespace
