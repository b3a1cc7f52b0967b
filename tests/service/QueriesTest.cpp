// Every status query: the command block the printer received, and the
// result for good, empty, malformed and over-long answers.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "service/StatusQueries.h"
#include "tests/service/PrinterFixture.h"

using namespace kv71p;
using namespace kv71p::service;

namespace kv71p::test {
namespace {

using QueriesTest = PrinterFixture;
using TextQueryFn = int64_t (*)(UsbInterface*, char*, size_t, const TransferTimeouts&);

struct TextQuery {
  TextQueryFn fn;
  const char* property;  // emulator property holding the answer
  const char* key;       // query key for frame.<key>
  const char* block;     // the 32-byte block the printer must receive
};

const TextQuery kTextQueries[] = {
    {GetSerialNo, "serial", "SERIAL_NUMBER", "\x1bPINFO  SERIAL_NUMBER           "},
    {GetFirmVersion, "firmware", "FVER", "\x1bPINFO  FVER                    "},
    {GetMediaSize, "media", "MEDIA", "\x1bPINFO  MEDIA                   "},
    {GetMediaClass, "class", "MEDIA_CLASS_RFID", "\x1bPINFO  MEDIA_CLASS_RFID        "},
    {GetMediaInitial, "initial", "MQTY_DEFAULT", "\x1bPINFO  MQTY_DEFAULT            "},
    {GetMediaRemain, "remain", "MQTY", "\x1bPINFO  MQTY                    "},
    {GetMediaRemainHalf, "remainhalf", "RQTY", "\x1bPINFO  RQTY                    "},
    {GetTotalCount, "total", "COUNTER_LIFE", "\x1bPMNT_RDCOUNTER_LIFE            "},
};

TEST_F(QueriesTest, BlocksAndGoodEmptyMalformedOverlongAndMissingAnswers) {
  const struct {
    std::string frame;
    size_t bufferSize;
    int64_t result;
  } cases[] = {
      {"00000001\r", 64, 0},                                      // empty answer
      {"0000000Xabc\r", 64, -1},                                  // malformed header
      {"00000000", 64, -1},                                       // no answer data at all
      {"00000064" + std::string(63, '7') + "\r", 64, 63},        // 63 characters fit 64 bytes
      {"00000065" + std::string(64, '7') + "\r", 64, -1},        // 64 do not
      {"000000080000002\r", 8, 7},                                // 7 fit the class buffer
      {"0000000900000002\r", 8, -1},                              // 8 do not
      {"", 64, -1},                                               // a silent printer
  };
  for (const TextQuery& q : kTextQueries) {
    // Its block, and the answer of the printer's property.
    ASSERT_TRUE(emulator_.ClearLog(id_));
    ASSERT_TRUE(Set({std::string(q.property) + "=0012345"}));
    char out[64];
    EXPECT_EQ(7, q.fn(itf_, out, sizeof out, kShort));
    EXPECT_STREQ("0012345", out);
    EXPECT_EQ(std::vector<std::string>{std::string(q.block, 32)}, emulator_.LoggedHeaders(id_));
    if (q.fn == GetSerialNo) continue;  // its own test below
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(q.key) + ": " + c.frame.substr(0, 12));
      ASSERT_TRUE(Set({std::string("frame.") + q.key + "=" + c.frame,
                       std::string("silent=") + (c.frame.empty() ? q.key : "none")}));
      char out[64];
      std::memset(out, 'Z', sizeof out);
      EXPECT_EQ(c.result, q.fn(itf_, out, c.bufferSize, kShort));
      if (c.result <= 0) {
        EXPECT_STREQ("", out);
      } else {
        EXPECT_EQ(std::string(c.frame, 8, static_cast<size_t>(c.result)), out);
      }
      if (c.bufferSize < sizeof out) {
        EXPECT_EQ('Z', out[c.bufferSize]) << "nothing past the buffer";
      }
    }
    ASSERT_TRUE(Set({std::string("frame.") + q.key + "=", "silent=none"}));
  }
  char out[64] = "x";
  EXPECT_EQ(-1, GetFirmVersion(nullptr, out, sizeof out));
  EXPECT_STREQ("", out);
  EXPECT_EQ(-1, GetFirmVersion(itf_, nullptr, 64));
  EXPECT_EQ(kStatusQueryFailed, GetStatus(nullptr));
}

TEST_F(QueriesTest, StatusNumbers) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"status=0"}, 0},
      {{"status=1000"}, 1000},
      {{"status=-1"}, -1},
      {{"status=901"}, 901},
      {{"frame.STATUS=00000008abcdefg\r"}, 0},              // data without digits
      {{"frame.STATUS=0000000812ab567\r"}, 12},             // leading digits only
      {{"frame.STATUS=0000000812345678"}, INT_MIN},         // eight digits without CR
      {{"frame.STATUS=000000091234567\r\r"}, INT_MIN},      // too long for the status buffer
      {{"frame.STATUS=", "silent=STATUS"}, INT_MIN},
  };
  for (const auto& [set, result] : cases) {
    SCOPED_TRACE(set.back());
    ASSERT_TRUE(Set(set));
    ASSERT_TRUE(emulator_.ClearLog(id_));
    EXPECT_EQ(result, GetStatus(itf_, kShort));
    EXPECT_EQ(std::vector<std::string>{std::string("\x1bPSTATUS") + std::string(24, ' ')},
              emulator_.LoggedHeaders(id_));
  }
}

TEST_F(QueriesTest, SerialNumbers) {
  std::string escaped21;
  for (int i = 0; i < 21; ++i) escaped21 += "%20";
  const std::pair<std::string, std::string> accepted[] = {
      {"KVP00123", "KVP00123"},
      {"KVP 001 A", "KVP%20001%20A"},
      {"", ""},
      {"a.b", "a.b"},
      {"Z\xc3\xbcrich \xe2\x82\xac", "Z\xc3\xbcrich%20\xe2\x82\xac"},
      {std::string(21, ' '), escaped21},  // 63 bytes converted
      {std::string(63, 'x'), std::string(63, 'x')},
  };
  const std::string refused[] = {
      std::string(22, ' '),  // 66 bytes converted
      std::string(64, 'x'), std::string(71, 'a'),
      std::string(72, 'a'),  // does not fit the work buffer
      "AB\xff", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82",  // not UTF-8
      "../etc", "..", "a..b", "/", "AB\x01", "AB\nC", "\x7f", "\xc2\x85",  // C0, DEL, C1
  };
  auto check = [&](const std::string& answer, int64_t result, const std::string& serial) {
    SCOPED_TRACE(::testing::PrintToString(answer));
    ASSERT_TRUE(Set({"serial=" + answer}));
    char out[64];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(result, GetSerialNo(itf_, out, sizeof out, kShort));
    EXPECT_EQ(serial, std::string(out));
  };
  for (const auto& [answer, serial] : accepted) check(answer, static_cast<int64_t>(serial.size()), serial);
  for (const std::string& answer : refused) check(answer, -1, "");
  ASSERT_TRUE(Set({"silent=SERIAL_NUMBER"}));
  check("KVP00123", -1, "");  // a failed exchange leaves the buffer empty too
}

TEST(GetMessageTest, TableAndUnknownNumbers) {
  const int table[][2] = {{0, 1},      {1, 2},      {500, 3},    {510, 4},    {900, 5},
                          {1000, 100}, {1010, 101}, {1100, 102}, {1200, 103}, {1300, 104},
                          {1400, 105}, {1500, 106}, {1600, 107}, {2000, 200}, {2100, 201},
                          {2200, 202}, {2300, 203}, {2400, 204}, {2500, 205}, {2600, 206},
                          {2610, 207}, {2700, 208}, {2800, 209}, {3000, 210}, {99999, 6},
                          {901, -1},   {-1, -1},    {2, -1},     {INT_MIN, -1}};
  for (const auto& row : table) EXPECT_EQ(row[1], MessageCodeOfStatus(row[0])) << row[0];
}

}  // namespace
}  // namespace kv71p::test
