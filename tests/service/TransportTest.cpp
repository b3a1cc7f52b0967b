// The transport against the emulated printer: chunked writes, framed reads
// and the checks of an answer.
#include <gtest/gtest.h>

#include <cstring>

#include "common/CommandCatalogue.h"
#include "service/StatusQueries.h"
#include "tests/service/PrinterFixture.h"

using namespace kv71p;
using namespace kv71p::service;

namespace kv71p::test {
namespace {

using TransportTest = PrinterFixture;

TEST_F(TransportTest, WritesInChunksAndThePrinterGetsTheWholeBlock) {
  const std::pair<int, std::vector<std::string>> cases[] = {
      {32, {"out:32"}},
      {511, {"out:511"}},
      {512, {"out:256", "out:256"}},
      {600, {"out:344", "out:256"}},
      {1000, {"out:744", "out:256"}},
      {65792, {"out:65536", "out:256"}},
      {65793, {"out:65536", "out:257"}},
      {140000, {"out:65536", "out:65536", "out:8672", "out:256"}},
  };
  for (const auto& [size, transfers] : cases) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(emulator_.ClearLog(id_));
    std::string data(static_cast<size_t>(size - 32), '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 1);
    DeviceCmd block;
    if (size == 32)
      ASSERT_EQ(0, MakeStartCmd(block));
    else
      ASSERT_EQ(0, block.MakeCmd(kCmdImage, kParamYPlane, static_cast<int>(data.size()), data.data()));
    ASSERT_EQ(size, block.length);
    EXPECT_EQ(0, deviceWrite(itf_, &block));
    EXPECT_EQ(transfers, emulator_.Transfers(id_));
    const std::vector<std::string> log = emulator_.Log(id_);
    ASSERT_EQ(1u, log.size());
    EXPECT_NE(std::string::npos, log[0].find(" " + std::to_string(size - 32) + " "));
  }
}

TEST_F(TransportTest, AnswerHeadersAndTerminators) {
  struct Case {
    const char* name;
    int expected;  // expected payload length of the answer buffer (-1: any)
    std::string frame;
    int result;
    std::string text;
    std::vector<std::string> reads;  // bulk IN transfers that happened
  };
  const std::string longText(4087, 'x');
  const Case cases[] = {
      {"non-digit header", -1, "0000000Aabc\r", 3, "", {"in:8"}},
      {"sign in header", -1, "-0000005abcd\r", 3, "", {"in:8"}},
      {"length 0", -1, "00000000", 3, "", {"in:8"}},
      {"beyond any-length buffer", -1, "00004089" + std::string(4089, 'y'), 3, "", {"in:8"}},
      {"largest any-length answer", -1, "00004088" + longText + "\r", 0, longText, {"in:8", "in:4088"}},
      {"any length without terminator", -1, "00004088" + longText + "z", 3, "", {"in:8", "in:4088"}},
      {"20 characters without CR", -1, "00000020abcdefghijklmnopqrst", 0, "abcdefghijklmnopqrst",
       {"in:8", "in:20"}},
      {"payload begins with CR", -1, "00000003\rab", 0, "", {"in:8", "in:3"}},
      {"exact length with CR", 8, "000000080000000\r", 0, "0000000", {"in:8", "in:8"}},
      {"exact length without CR", 8, "0000000812345678", 3, "", {"in:8", "in:8"}},
      {"shorter than expected", 8, "000000041234", 0, "1234", {"in:8", "in:4"}},
      {"longer than expected", 8, "00000009123456789", 3, "", {"in:8"}},
      {"header announces more than sent", -1, "00000010abc", 0, "abc", {"in:8", "in:3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.ClearLog(id_));
    ASSERT_TRUE(Set({"frame.FVER=" + c.frame}));
    DeviceCmd block;
    MakeQueryCmd(block, kCmdInfo, kParamFirmVersion);
    DeviceRecv response(c.expected, nullptr);
    EXPECT_EQ(c.result, DeviceIO(itf_, &block, &response, kShort));
    char text[kRecvAnyBufferLength + 1] = "";
    if (c.result == 0) response.GetEffectiveDataAsString(text, sizeof text);
    EXPECT_EQ(c.text, text);
    std::vector<std::string> reads;
    for (const std::string& t : emulator_.Transfers(id_))
      if (t.compare(0, 3, "in:") == 0) reads.push_back(t);
    EXPECT_EQ(c.reads, reads);
  }
}

TEST_F(TransportTest, SilentOrUnpluggedPrinterAndInvalidArguments) {
  DeviceCmd block, empty;
  MakeQueryCmd(block, kCmdStatus, nullptr);
  DeviceRecv response(8, nullptr), nothing(0, nullptr);
  unsigned char target[16] = {};
  int n = 5;
  EXPECT_EQ(3, DeviceIO(nullptr, &block, &response));
  EXPECT_EQ(3, DeviceIO(itf_, &block, nullptr));
  EXPECT_EQ(3, DeviceIO(itf_, &empty, &response));
  EXPECT_EQ(3, DeviceIO(itf_, nullptr, &response));
  EXPECT_EQ(3, deviceWrite(itf_, block.buffer, 0));
  EXPECT_EQ(3, deviceRead(itf_, &nothing));
  EXPECT_EQ(3, deviceRead(itf_, target, 8, &n));
  EXPECT_EQ(0, n);
  EXPECT_TRUE(emulator_.Transfers(id_).empty()) << "invalid arguments send nothing";

  // Silent: the read times out without a transfer error, the check fails.
  ASSERT_TRUE(Set({"silent=all"}));
  EXPECT_EQ(3, DeviceIO(itf_, &block, &response, kShort));
  n = 7;
  EXPECT_EQ(0, USB_Read(itf_, target, 8, &n, 100));
  EXPECT_EQ(0, n);

  // Unplugged during the exchange: the transfer fails.
  ASSERT_TRUE(Set({"silent=none", "unplug-on=STATUS"}));
  ASSERT_TRUE(emulator_.ClearLog(id_));
  EXPECT_EQ(1, DeviceIO(itf_, &block, &response, kShort));
  EXPECT_EQ(kStatusQueryFailed, GetStatus(itf_, kShort));
  EXPECT_EQ(1, deviceWrite(itf_, &block));
  EXPECT_EQ(std::vector<std::string>{"STATUS"}, emulator_.LoggedTitles(id_));
}

// An answer with a prefix, and the caller's buffer (the queries' buffers:
// QueriesTest).
TEST(DeviceRecvTest, PrefixIsCheckedAndSkipped) {
  DeviceRecv r(-1, "V=");
  ASSERT_EQ(0, r.Alloc());
  std::memcpy(r.buffer, "00000006V=1.2\r", 14);
  EXPECT_EQ(0, r.CheckData());
  char out[8];
  EXPECT_EQ(0, r.GetEffectiveDataAsString(out, sizeof out));
  EXPECT_STREQ("1.2", out);
  std::memcpy(r.buffer, "00000011V=12345678\r", 19);
  EXPECT_EQ(3, r.GetEffectiveDataAsString(out, sizeof out));
  EXPECT_STREQ("", out);
  r.buffer[8] = 'W';
  EXPECT_EQ(3, r.CheckData());
}

}  // namespace
}  // namespace kv71p::test
