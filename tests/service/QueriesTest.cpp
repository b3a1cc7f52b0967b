// Every status query: the command block the printer received, and the
// result for good, empty, malformed and over-long answers.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "EmulatorProcess.h"
#include "StatusQueries.h"

namespace {

using kv71p::test::EmulatorProcess;
using kv71p::test::OpenPrinter;

const TransferTimeouts kShort{500, 300};

using TextQueryFn = int64_t (*)(UsbInterface*, char*, size_t, const TransferTimeouts&);

struct TextQuery {
  const char* name;
  TextQueryFn fn;
  const char* property;   // emulator property holding the answer
  const char* key;        // query key for frame.<key>
  const char* header;     // the 32-byte block the printer must receive
};

const TextQuery kTextQueries[] = {
    {"GetSerialNo", GetSerialNo, "serial", "SERIAL_NUMBER",
     "\x1bPINFO  SERIAL_NUMBER           "},
    {"GetFirmVersion", GetFirmVersion, "firmware", "FVER", "\x1bPINFO  FVER                    "},
    {"GetMediaSize", GetMediaSize, "media", "MEDIA", "\x1bPINFO  MEDIA                   "},
    {"GetMediaClass", GetMediaClass, "class", "MEDIA_CLASS_RFID",
     "\x1bPINFO  MEDIA_CLASS_RFID        "},
    {"GetMediaInitial", GetMediaInitial, "initial", "MQTY_DEFAULT",
     "\x1bPINFO  MQTY_DEFAULT            "},
    {"GetMediaRemain", GetMediaRemain, "remain", "MQTY", "\x1bPINFO  MQTY                    "},
    {"GetMediaRemainHalf", GetMediaRemainHalf, "remainhalf", "RQTY",
     "\x1bPINFO  RQTY                    "},
    {"GetTotalCount", GetTotalCount, "total", "COUNTER_LIFE",
     "\x1bPMNT_RDCOUNTER_LIFE            "},
};

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Start());
    id_ = emulator_.Attach();
    printer_ = OpenPrinter(emulator_.socketPath(), id_);
    ASSERT_TRUE(printer_);
    itf_ = printer_->first();
  }
  EmulatorProcess emulator_;
  unsigned id_ = 0;
  std::unique_ptr<kv71p::test::OpenedPrinter> printer_;
  UsbInterface* itf_ = nullptr;
};

TEST_F(QueriesTest, EachTextQuerySendsItsBlockAndReturnsTheAnswer) {
  for (const TextQuery& q : kTextQueries) {
    SCOPED_TRACE(q.name);
    ASSERT_TRUE(emulator_.ClearLog(id_));
    ASSERT_TRUE(emulator_.Set(id_, {std::string(q.property) + "=0012345"}));
    char out[64];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(7, q.fn(itf_, out, sizeof out, kShort));
    EXPECT_STREQ("0012345", out);
    EXPECT_EQ(std::vector<std::string>{std::string(q.header, 32)}, emulator_.LoggedHeaders(id_));
  }
}

TEST_F(QueriesTest, EmptyMalformedAndOverlongAnswers) {
  struct Case {
    const char* name;
    std::string frame;
    size_t bufferSize;
    int64_t result;
  };
  const Case cases[] = {
      {"empty answer", "00000001\r", 64, 0},
      {"malformed header", "0000000Xabc\r", 64, -1},
      {"no answer data at all", "00000000", 64, -1},
      {"63 characters fit 64 bytes", "00000064" + std::string(63, '7') + "\r", 64, 63},
      {"64 characters do not", "00000065" + std::string(64, '7') + "\r", 64, -1},
      {"7 characters fit the class buffer", "000000080000002\r", 8, 7},
      {"8 characters do not", "0000000900000002\r", 8, -1},
  };
  for (const TextQuery& q : kTextQueries) {
    if (std::strcmp(q.key, "SERIAL_NUMBER") == 0) continue;  // its own test below
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(q.name) + ": " + c.name);
      ASSERT_TRUE(emulator_.Set(id_, {std::string("frame.") + q.key + "=" + c.frame}));
      char out[64];
      std::memset(out, 'Z', sizeof out);
      EXPECT_EQ(c.result, q.fn(itf_, out, c.bufferSize, kShort));
      if (c.result <= 0) {
        EXPECT_STREQ("", out);
      }
      if (c.bufferSize < sizeof out) {
        EXPECT_EQ('Z', out[c.bufferSize]);  // nothing past the buffer
      }
    }
    ASSERT_TRUE(emulator_.Set(id_, {std::string("frame.") + q.key + "="}));
  }
}

TEST_F(QueriesTest, SilentPrinterAndMissingArgumentsFail) {
  char out[64] = "x";
  EXPECT_EQ(-1, GetFirmVersion(nullptr, out, sizeof out));
  EXPECT_STREQ("", out);
  EXPECT_EQ(-1, GetFirmVersion(itf_, nullptr, 64));
  EXPECT_EQ(kStatusQueryFailed, GetStatus(nullptr));
  EXPECT_TRUE(emulator_.Log(id_).empty());
  ASSERT_TRUE(emulator_.Set(id_, {"silent=FVER"}));
  std::strcpy(out, "x");
  EXPECT_EQ(-1, GetFirmVersion(itf_, out, sizeof out, kShort));
  EXPECT_STREQ("", out);
}

TEST_F(QueriesTest, StatusNumbers) {
  struct Case {
    const char* name;
    std::vector<std::string> set;
    int result;
  };
  const Case cases[] = {
      {"ready", {"status=0"}, 0},
      {"paper end", {"status=1000"}, 1000},
      {"negative", {"status=-1"}, -1},
      {"unknown number", {"status=901"}, 901},
      {"data without digits", {"frame.STATUS=00000008abcdefg\r"}, 0},
      {"leading digits only", {"frame.STATUS=0000000812ab567\r"}, 12},
      {"eight digits without CR", {"frame.STATUS=0000000812345678"}, INT_MIN},
      {"too long for the status buffer", {"frame.STATUS=000000091234567\r\r"}, INT_MIN},
      {"silent", {"frame.STATUS=", "silent=STATUS"}, INT_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.Set(id_, c.set));
    ASSERT_TRUE(emulator_.ClearLog(id_));
    EXPECT_EQ(c.result, GetStatus(itf_, kShort));
    EXPECT_EQ(std::vector<std::string>{std::string("\x1bPSTATUS") + std::string(24, ' ')},
              emulator_.LoggedHeaders(id_));
  }
}

TEST_F(QueriesTest, SerialNumbers) {
  struct Case {
    const char* name;
    std::string answer;
    int64_t result;
    std::string serial;
  };
  std::string escaped21;
  for (int i = 0; i < 21; ++i) escaped21 += "%20";
  const Case cases[] = {
      {"plain", "KVP00123", 8, "KVP00123"},
      {"spaces become %20", "AB 12", 7, "AB%2012"},
      {"empty", "", 0, ""},
      {"UTF-8 letters", "Z\xc3\xbcrich 1", 11, "Z\xc3\xbcrich%201"},
      {"21 spaces are 63 bytes", std::string(21, ' '), 63, escaped21},
      {"22 spaces are too long", std::string(22, ' '), -1, ""},
      {"71 bytes answered, too long converted", std::string(71, 'a'), -1, ""},
      {"72 bytes do not fit the work buffer", std::string(72, 'a'), -1, ""},
      {"invalid UTF-8", "AB\xff", -1, ""},
      {"slash", "../etc", -1, ""},
      {"dot dot", "..", -1, ""},
      {"control character", "AB\x01", -1, ""},
      {"line feed", "AB\nC", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.Set(id_, {"serial=" + c.answer}));
    char out[64];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(c.result, GetSerialNo(itf_, out, sizeof out, kShort));
    EXPECT_EQ(c.serial, std::string(out));
  }
  // A failed exchange leaves the buffer empty too.
  ASSERT_TRUE(emulator_.Set(id_, {"silent=SERIAL_NUMBER"}));
  char out[64] = "old";
  EXPECT_EQ(-1, GetSerialNo(itf_, out, sizeof out, kShort));
  EXPECT_STREQ("", out);
}

TEST(GetMessageTest, TableAndUnknownNumbers) {
  const int table[][2] = {{0, 1},      {1, 2},      {500, 3},    {510, 4},     {900, 5},
                          {1000, 100}, {1010, 101}, {1100, 102}, {1200, 103},  {1300, 104},
                          {1400, 105}, {1500, 106}, {1600, 107}, {2000, 200},  {2100, 201},
                          {2200, 202}, {2300, 203}, {2400, 204}, {2500, 205},  {2600, 206},
                          {2610, 207}, {2700, 208}, {2800, 209}, {3000, 210},  {99999, 6},
                          {901, -1},   {-1, -1},    {2, -1},     {INT_MIN, -1}};
  for (const auto& row : table) EXPECT_EQ(row[1], GetMessage(row[0])) << row[0];
}

}  // namespace
