// The transport against the emulated printer: chunked writes, framed reads
// and the checks of an answer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CommandCatalogue.h"
#include "EmulatorProcess.h"
#include "StatusQueries.h"
#include "UsbTransport.h"

namespace {

using kv71p::test::EmulatorProcess;
using kv71p::test::OpenPrinter;

const TransferTimeouts kShort{500, 300};

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Start());
    id_ = emulator_.Attach();
    ASSERT_NE(0u, id_);
    printer_ = OpenPrinter(emulator_.socketPath(), id_);
    ASSERT_TRUE(printer_);
    itf_ = printer_->first();
  }

  // One exchange of a query block against an answer set with frame.<key>.
  int Exchange(const char* command, const char* parameter, const std::string& key,
               const std::string& frame, int expected, std::string* text) {
    EXPECT_TRUE(emulator_.Set(id_, {"frame." + key + "=" + frame}));
    DeviceCmd block;
    MakeQueryCmd(block, command, parameter);
    DeviceRecv response(expected, nullptr);
    const int r = DeviceIO(itf_, &block, &response, kShort);
    char out[kRecvAnyBufferLength + 1];
    text->clear();
    if (r == 0 && response.GetEffectiveDataAsString(out, sizeof out) == 0) *text = out;
    return r;
  }

  EmulatorProcess emulator_;
  unsigned id_ = 0;
  std::unique_ptr<kv71p::test::OpenedPrinter> printer_;
  kv71p::UsbInterface* itf_ = nullptr;
};

TEST_F(TransportTest, WritesInChunksAndThePrinterGetsTheWholeBlock) {
  struct Case {
    int size;
    std::vector<std::string> transfers;
  };
  const Case cases[] = {
      {32, {"out:32"}},
      {511, {"out:511"}},
      {512, {"out:256", "out:256"}},
      {600, {"out:344", "out:256"}},
      {1000, {"out:744", "out:256"}},
      {65792, {"out:65536", "out:256"}},
      {65793, {"out:65536", "out:257"}},
      {140000, {"out:65536", "out:65536", "out:8672", "out:256"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    ASSERT_TRUE(emulator_.ClearLog(id_));
    std::string data(static_cast<size_t>(c.size - 32), '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 1);
    DeviceCmd block;
    if (c.size == 32)
      ASSERT_EQ(0, MakeStartCmd(block));
    else
      ASSERT_EQ(0, block.MakeCmd(kCmdImage, kParamYPlane, static_cast<int>(data.size()), data.data()));
    ASSERT_EQ(c.size, block.length);
    EXPECT_EQ(0, deviceWrite(itf_, &block));
    EXPECT_EQ(c.transfers, emulator_.Transfers(id_));
    const std::vector<std::string> log = emulator_.Log(id_);
    ASSERT_EQ(1u, log.size());
    EXPECT_NE(std::string::npos, log[0].find(" " + std::to_string(c.size - 32) + " "));
  }
}

TEST_F(TransportTest, AnswerHeadersAndTerminators) {
  struct Case {
    const char* name;
    int expected;            // expected payload length of the answer buffer
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
      {"largest any-length answer", -1, "00004088" + longText + "\r", 0, longText,
       {"in:8", "in:4088"}},
      {"any length without terminator fills buffer", -1, "00004088" + longText + "z", 3, "",
       {"in:8", "in:4088"}},
      {"20 characters without CR", -1, "00000020abcdefghijklmnopqrst", 0, "abcdefghijklmnopqrst",
       {"in:8", "in:20"}},
      {"payload begins with CR", -1, "00000003\rab", 0, "", {"in:8", "in:3"}},
      {"worked example", -1, std::string("00000005") + "1.23\r", 0, "1.23", {"in:8", "in:5"}},
      {"exact length with CR", 8, "000000080000000\r", 0, "0000000", {"in:8", "in:8"}},
      {"exact length without CR", 8, "0000000812345678", 3, "", {"in:8", "in:8"}},
      {"shorter than expected", 8, "000000041234", 0, "1234", {"in:8", "in:4"}},
      {"longer than expected", 8, "00000009123456789", 3, "", {"in:8"}},
      {"header announces more than sent", -1, "00000010abc", 0, "abc", {"in:8", "in:3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.ClearLog(id_));
    std::string text;
    EXPECT_EQ(c.result, Exchange(kCmdInfo, kParamFirmVersion, "FVER", c.frame, c.expected, &text));
    EXPECT_EQ(c.text, text);
    std::vector<std::string> reads;
    for (const std::string& t : emulator_.Transfers(id_))
      if (t.compare(0, 3, "in:") == 0) reads.push_back(t);
    EXPECT_EQ(c.reads, reads);
  }
}

TEST_F(TransportTest, SilentPrinterFailsTheCheckAfterTheTimeout) {
  ASSERT_TRUE(emulator_.Set(id_, {"silent=all"}));
  DeviceCmd block;
  MakeQueryCmd(block, kCmdStatus, nullptr);
  DeviceRecv response(8, nullptr);
  EXPECT_EQ(3, DeviceIO(itf_, &block, &response, kShort));
  // The read timed out: no transfer error, an empty header.
  unsigned char target[16] = {};
  int received = 7;
  EXPECT_EQ(0, USB_Read(itf_, target, 8, &received, 100));
  EXPECT_EQ(0, received);
}

TEST_F(TransportTest, UnplugDuringExchangeFailsTheTransfer) {
  ASSERT_TRUE(emulator_.Set(id_, {"unplug-on=STATUS"}));
  DeviceCmd block;
  MakeQueryCmd(block, kCmdStatus, nullptr);
  DeviceRecv response(8, nullptr);
  EXPECT_EQ(1, DeviceIO(itf_, &block, &response, kShort));
  EXPECT_EQ(kStatusQueryFailed, GetStatus(itf_, kShort));
  EXPECT_EQ(1, deviceWrite(itf_, &block));
  EXPECT_EQ(std::vector<std::string>{"STATUS"}, emulator_.LoggedTitles(id_));
}

TEST_F(TransportTest, InvalidArgumentsSendNothing) {
  DeviceCmd empty;
  DeviceCmd block;
  MakeQueryCmd(block, kCmdStatus, nullptr);
  DeviceRecv response(8, nullptr);
  DeviceRecv nothing(0, nullptr);
  unsigned char target[16];
  int n = 5;
  EXPECT_EQ(3, DeviceIO(nullptr, &block, &response));
  EXPECT_EQ(3, DeviceIO(itf_, &block, nullptr));
  EXPECT_EQ(3, DeviceIO(itf_, &empty, &response));
  EXPECT_EQ(3, DeviceIO(itf_, nullptr, &response));
  EXPECT_EQ(3, deviceWrite(itf_, block.buffer, 0));
  EXPECT_EQ(3, deviceRead(itf_, &nothing));
  EXPECT_EQ(3, deviceRead(itf_, target, 8, &n));
  EXPECT_EQ(0, n);
  EXPECT_TRUE(emulator_.Transfers(id_).empty());
}

TEST(DeviceRecvTest, SizesFollowTheExpectedLength) {
  DeviceRecv any(-1, nullptr);
  DeviceRecv eight(8, nullptr);
  DeviceRecv none(0, nullptr);
  EXPECT_EQ(4096, any.GetBufferLength());
  EXPECT_EQ(16, eight.GetBufferLength());
  EXPECT_EQ(0, none.GetBufferLength());
  EXPECT_EQ(0, none.Alloc());
  EXPECT_EQ(nullptr, none.buffer);
  EXPECT_EQ(3, none.CheckData());
  ASSERT_EQ(0, eight.Alloc());
  for (int i = 0; i < 18; ++i) EXPECT_EQ(0, eight.buffer[i]);
}

TEST(DeviceRecvTest, PrefixIsCheckedAndSkipped) {
  DeviceRecv r(-1, "V=");
  ASSERT_EQ(0, r.Alloc());
  std::memcpy(r.buffer, "00000006V=1.2\r", 14);
  EXPECT_EQ(0, r.CheckData());
  char out[8];
  EXPECT_EQ(0, r.GetEffectiveDataAsString(out, sizeof out));
  EXPECT_STREQ("1.2", out);
  std::memcpy(r.buffer + 8, "W", 1);
  EXPECT_EQ(3, r.CheckData());
  // The text must fit the caller's buffer with its terminator.
  std::memcpy(r.buffer, "00000011V=12345678\r", 19);
  EXPECT_EQ(3, r.GetEffectiveDataAsString(out, sizeof out));
  EXPECT_STREQ("", out);
  EXPECT_EQ(3, r.GetEffectiveDataAsString(nullptr, 8));
}

}  // namespace
