// The printer's serial number as every program takes it: the answers the
// suite accepts and refuses (with the UTF-8 check), and the places that
// carry the serial number: device URIs and flag file paths.
#include <gtest/gtest.h>

#include <string>

#include "common/CacheFolder.h"
#include "common/DeviceUri.h"
#include "common/PrinterFiles.h"
#include "common/SerialNumber.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;

namespace {

// The printer's answer, the suite's form of it and the refusal; a refused
// answer is one that is not valid UTF-8 exactly when IsValidUtf8 says so.
TEST(SerialNumber, AnswersTakenAndRefusedWithTheReason) {
  std::string spaces21;
  for (int i = 0; i < 21; ++i) spaces21 += "%20";
  const struct {
    std::string answer, converted;
    SerialRefusal refusal;
  } cases[] = {
      {"KVP 001 A", "KVP%20001%20A", SerialRefusal::None},
      {"", "", SerialRefusal::None},
      {"a.b", "a.b", SerialRefusal::None},
      {"Z\xc3\xbcrich \xe2\x82\xac\xF0\x9F\x93\xB7", "Z\xc3\xbcrich%20\xe2\x82\xac\xF0\x9F\x93\xB7", SerialRefusal::None},
      {"\xED\x9F\xBF\xF4\x8F\xBF\xBF", "\xED\x9F\xBF\xF4\x8F\xBF\xBF", SerialRefusal::None},  // U+D7FF, U+10FFFF
      {std::string(21, ' '), spaces21, SerialRefusal::None},  // 63 bytes converted
      {std::string(63, 'x'), std::string(63, 'x'), SerialRefusal::None},
      {std::string(22, ' '), "", SerialRefusal::TooLong},  // 66 bytes converted
      {std::string(64, 'x'), "", SerialRefusal::TooLong},
      {std::string(300, 'a'), "", SerialRefusal::TooLong},  // beyond the answer's buffer
      {"AB\xff", "", SerialRefusal::NotUtf8},
      {"\x80", "", SerialRefusal::NotUtf8},              // stray continuation
      {"\xe2\x82", "", SerialRefusal::NotUtf8},          // cut short
      {"\xc0\xaf", "", SerialRefusal::NotUtf8},          // overlong "/"
      {"\xE0\x80\xAF", "", SerialRefusal::NotUtf8},      // overlong, three bytes
      {"\xF0\x80\x80\xAF", "", SerialRefusal::NotUtf8},  // overlong, four bytes
      {"\xed\xa0\x80", "", SerialRefusal::NotUtf8},      // a surrogate
      {"\xf4\x90\x80\x80", "", SerialRefusal::NotUtf8},  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", "", SerialRefusal::NotUtf8},
      {"\xC3\x28", "", SerialRefusal::NotUtf8},          // bad continuation
      {"../etc", "", SerialRefusal::PathPart},
      {"a..b", "", SerialRefusal::PathPart},
      {"/", "", SerialRefusal::PathPart},
      {"AB\x01", "", SerialRefusal::ControlCharacter},
      {std::string("nul\0inside", 10), "", SerialRefusal::ControlCharacter},
      {"\x7f", "", SerialRefusal::ControlCharacter},
      {"\xc2\x85", "", SerialRefusal::ControlCharacter},  // C1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.answer));
    std::string converted = "untouched";
    SerialRefusal refusal = SerialRefusal::TooLong;
    EXPECT_EQ(c.refusal == SerialRefusal::None, ConvertSerialNumber(c.answer, &converted, &refusal));
    EXPECT_EQ(c.converted, converted);
    EXPECT_EQ(c.refusal, refusal);
    EXPECT_EQ(c.refusal != SerialRefusal::NotUtf8, IsValidUtf8(c.answer));
  }
}

// Which device URIs are the suite's, and the serial numbers they name: the
// text behind the first "serial=", when it can name files in the cache
// folder.
TEST(DeviceUri, SerialNumberIsTheRestAfterTheFirstSerialKey) {
  const std::string uri = kDeviceUriPrefix;
  const struct {
    std::string uri;
    bool ours;           // IsKv71pDeviceUri
    const char* serial;  // null: names no printer of ours
  } cases[] = {
      {uri + "A1B2C3", true, "A1B2C3"},
      {uri + "SN%2012", true, "SN%2012"},
      {uri + "A?serial=B", true, "A?serial=B"},  // the first key counts
      {"serial=X vexbackend KORVALE KV-71P", true, "X vexbackend KORVALE KV-71P"},
      {uri + "K\xc3\xa4" "1", true, "K\xc3\xa4" "1"},
      {uri, false, nullptr},  // no serial number (every URI would "contain" it)
      {"usb://KORVALE/KV-71P?serial=A1", false, nullptr},
      {"vexbackend://SYSTEMS/KV-71P?serial=A1", false, nullptr},
      {uri + "../../etc/x", true, nullptr},  // leaves the cache folder
      {uri + "A/B", true, nullptr},
      {uri + "..", true, nullptr},
      {uri + "A\nB", true, nullptr},
      {uri + "A\x7f", true, nullptr},
      {uri + "A\xc3", true, nullptr},  // broken UTF-8
      {"", false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uri);
    EXPECT_EQ(c.ours, IsKv71pDeviceUri(c.uri));
    std::string serial = "unchanged";
    EXPECT_EQ(c.serial != nullptr, SerialNumberOfDeviceUri(c.uri, &serial));
    EXPECT_EQ(c.serial ? c.serial : "unchanged", serial);
    // A printer's URI names its serial number exactly, never the empty one.
    EXPECT_EQ(c.uri == uri + "A1B2C3", IsDeviceUriOf(c.uri, "A1B2C3"));
    EXPECT_FALSE(IsDeviceUriOf(c.uri, ""));
  }
  EXPECT_FALSE(IsDeviceUriOf(uri + "A1B2C3X", "A1B2C3"));
  EXPECT_FALSE(IsDeviceUriOf(uri + "a1b2c3", "A1B2C3"));
}

// The status window and its launcher format a flag's path into a buffer of
// 128 bytes: a path that would not fit names no flag.
TEST(PrinterFiles, FlagPathsThatDoNotFitTheBufferNameNoFlag) {
  TestCacheDir dir;
  const size_t base = CacheFilePath(FlagFileName(FlagFile::WindowOpen, "")).size();
  const struct {
    FlagFile flag;
    size_t length;  // of the whole path of a WindowOpen flag for this serial number
    bool named;
  } cases[] = {
      {FlagFile::WindowOpen, 127, true},  // 127 characters and the NUL fit
      {FlagFile::WindowOpen, 128, false},
      {FlagFile::WindowStarted, 121, true},  // its name is six characters longer
      {FlagFile::WindowStarted, 122, false},
  };
  for (const auto& c : cases) {
    std::string path = "untouched";
    const std::string serial(c.length - base, 'S');
    EXPECT_EQ(c.named, FlagFilePath(c.flag, serial, &path)) << c.length;
    EXPECT_EQ(c.named ? CacheFilePath(FlagFileName(c.flag, serial)) : "untouched", path);
  }
}

}  // namespace
