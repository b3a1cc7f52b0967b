// The USB layer, the transport and the status queries against the emulated
// printer: opens with seize, chunked writes, framed reads and the checks
// of an answer, answers that fit the caller's buffer, serial numbers taken
// and refused; and a printer that stops taking bytes in the middle of a
// write.
// (Prints arriving whole: the backend's tests, test_backend and test_usbmock.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/CommandCatalogue.h"
#include "service/StatusQueries.h"
#include "tests/service/EmulatorProcess.h"

namespace kv71p::test {
namespace {

using namespace kv71p::service;

using EmulatedPrinter = PrinterFixture;

TEST_F(EmulatedPrinter, AnotherHolderIsRefusedUntilTheLastClose) {
  unsigned char byte = 0;
  int n = 0;
  EXPECT_EQ(kUsbErrorInvalidParam, itf_->BulkWrite(kUsbPipeIn, &byte, 1, &n, 100));
  EXPECT_EQ(kUsbErrorPipe, itf_->ControlRequest(0xA1, 1, 0, 0, &byte, 1, &n, 5000));
  // A print job cannot take the interface from its holder.
  EXPECT_EQ(kUsbSuccess, itf_->OpenSeize());
  EXPECT_EQ(kUsbSuccess, itf_->Close());
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), id_));
  EXPECT_EQ(kUsbSuccess, itf_->Close());
  EXPECT_EQ(kUsbErrorNotFound, itf_->Close());
  EXPECT_EQ(kUsbErrorAccess, itf_->BulkWrite(kUsbPipeOut, &byte, 1, &n, 100));
  EXPECT_TRUE(OpenPrinter(emulator_.socketPath(), id_));
  // Printers that refuse the device or the interface cannot be opened.
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), emulator_.Attach({"refuse-open=device"})));
  EXPECT_FALSE(OpenPrinter(emulator_.socketPath(), emulator_.Attach({"refuse-open=interface"})));
}

// The transfers of each write, and the bytes it reports as sent: a block
// reaches the printer whole; from a printer that stops taking bytes, the
// write reports the bytes taken and stops at the first chunk that did not
// go out whole (a time-out is no transfer failure, and a silent printer
// gets no second attempt).
TEST_F(EmulatedPrinter, WritesInChunksAndReportTheBytesTaken) {
  const struct {
    int size, limit, sent;  // limit: bytes the printer takes (-1: all)
    std::vector<std::string> transfers;
  } cases[] = {
      {32, -1, 32, {"out:32"}},
      {511, -1, 511, {"out:511"}},
      {512, -1, 512, {"out:256", "out:256"}},
      {1000, -1, 1000, {"out:744", "out:256"}},
      {65792, -1, 65792, {"out:65536", "out:256"}},
      {65793, -1, 65793, {"out:65536", "out:257"}},
      {140000, -1, 140000, {"out:65536", "out:65536", "out:8672", "out:256"}},
      {1000, 100, 100, {"out:100"}},
      {1000, 744, 744, {"out:744", "out:0"}},
      {140000, 65546, 65546, {"out:65536", "out:10"}},
      {32, 0, 0, {"out:0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " limit " + std::to_string(c.limit));
    std::string data(static_cast<size_t>(c.size - 32), '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 1);
    DeviceCmd block;
    ASSERT_EQ(0, c.size == 32 ? MakeStartCmd(block) : block.MakeCmd(kCmdImage, kParamYPlane, c.size - 32, data.data()));
    const std::string limit = "out-limit=" + (c.limit < 0 ? std::string("none") : std::to_string(c.limit));
    int taken = -1, sent = -1;
    if (c.limit >= 0) {
      ASSERT_TRUE(Set({limit}));
      EXPECT_EQ(kTransportOk, BulkWriteOnce(itf_, block.buffer, c.size, &taken));
      EXPECT_EQ(std::min(c.size, c.limit), taken);
    }
    ASSERT_TRUE(Set({limit}) && emulator_.ClearLog(id_));
    EXPECT_EQ(kTransportOk, WriteInChunks(itf_, block.buffer, c.size, 100, &sent));
    EXPECT_EQ(c.sent, sent);
    EXPECT_EQ(c.transfers, emulator_.Transfers(id_));
    const std::vector<std::string> log = emulator_.Log(id_);
    if (c.limit < 0) {
      ASSERT_EQ(1u, log.size());
      EXPECT_NE(std::string::npos, log[0].find(" " + std::to_string(c.size - 32) + " "));
    }
  }
}

TEST_F(EmulatedPrinter, AnswerHeadersTerminatorsAndLeadingText) {
  struct Case {
    const char* name;
    int expected;  // expected payload length of the answer buffer (-1: any)
    const char* prefix;
    std::string frame;
    int result;
    std::string text;
    std::vector<std::string> reads;  // bulk IN transfers that happened
  };
  const std::string longText(4087, 'x');
  const Case cases[] = {
      {"non-digit header", -1, "", "0000000Aabc\r", 3, "", {"in:8"}},
      {"length 0", -1, "", "00000000", 3, "", {"in:8"}},
      {"beyond any-length buffer", -1, "", "00004089" + std::string(4089, 'y'), 3, "", {"in:8"}},
      {"largest any-length answer", -1, "", "00004088" + longText + "\r", 0, longText, {"in:8", "in:4088"}},
      {"any length without terminator", -1, "", "00004088" + longText + "z", 3, "", {"in:8", "in:4088"}},
      {"20 characters without CR", -1, "", "00000020abcdefghijklmnopqrst", 0, "abcdefghijklmnopqrst",
       {"in:8", "in:20"}},
      {"payload begins with CR", -1, "", "00000003\rab", 0, "", {"in:8", "in:3"}},
      {"exact length with CR", 8, "", "000000080000000\r", 0, "0000000", {"in:8", "in:8"}},
      {"exact length without CR", 8, "", "0000000812345678", 3, "", {"in:8", "in:8"}},
      {"shorter than expected", 8, "", "000000041234", 0, "1234", {"in:8", "in:4"}},
      {"longer than expected", 8, "", "00000009123456789", 3, "", {"in:8"}},
      {"header announces more than sent", -1, "", "00000010abc", 0, "abc", {"in:8", "in:3"}},
      {"leading text skipped", -1, "V=", "00000006V=1.2\r", 0, "1.2", {"in:8", "in:6"}},
      {"leading text differs", -1, "V=", "00000006W=1.2\r", 3, "", {"in:8", "in:6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.ClearLog(id_));
    ASSERT_TRUE(Set({"frame.FVER=" + c.frame}));
    DeviceCmd block;
    MakeQueryCmd(block, kCmdInfo, kParamFirmVersion);
    DeviceRecv response(c.expected, c.prefix);
    EXPECT_EQ(c.result, ExchangeCommand(itf_, &block, &response, kShort));
    char text[kRecvAnyBufferLength + 1] = "";
    if (c.result == 0) response.GetEffectiveDataAsString(text, sizeof text);
    EXPECT_EQ(c.text, text);
    std::vector<std::string> reads = emulator_.Transfers(id_);
    reads.erase(std::remove(reads.begin(), reads.end(), "out:32"), reads.end());
    EXPECT_EQ(c.reads, reads);
  }
}

TEST_F(EmulatedPrinter, SilentOrUnpluggedPrinterAndInvalidArguments) {
  DeviceCmd block, empty;
  MakeQueryCmd(block, kCmdStatus, nullptr);
  DeviceRecv response(8, nullptr), nothing(0, nullptr);
  unsigned char target[16] = {};
  for (int r : {ExchangeCommand(nullptr, &block, &response), ExchangeCommand(itf_, &block, nullptr),
                ExchangeCommand(itf_, &empty, &response), WriteInChunks(itf_, block.buffer, 0),
                ReadFramedAnswer(itf_, &nothing), ReadFramedAnswer(itf_, target, 8)})
    EXPECT_EQ(kTransportInvalid, r);
  EXPECT_TRUE(emulator_.Transfers(id_).empty()) << "invalid arguments send nothing";

  // Silent: the read times out without a transfer error, the check fails.
  ASSERT_TRUE(Set({"silent=all"}));
  EXPECT_EQ(kTransportInvalid, ExchangeCommand(itf_, &block, &response, kShort));
  int n = 7;
  EXPECT_EQ(kTransportOk, BulkReadOnce(itf_, target, 8, &n, 100));
  EXPECT_EQ(0, n);

  // Unplugged during the exchange: the transfer fails.
  ASSERT_TRUE(Set({"silent=none", "unplug-on=STATUS"}));
  ASSERT_TRUE(emulator_.ClearLog(id_));
  EXPECT_EQ(kTransportFailed, ExchangeCommand(itf_, &block, &response, kShort));
  EXPECT_EQ(kTransportFailed, WriteInChunks(itf_, &block));
  EXPECT_EQ(std::vector<std::string>{"STATUS"}, emulator_.LoggedTitles(id_));
}

// A query without a printer or without room for its answer asks nothing.
// (Each query's block and the line its answer fills: InformationFileTest.)
TEST_F(EmulatedPrinter, QueriesWithoutPrinterOrBufferAskNothing) {
  char out[64] = "x";
  EXPECT_EQ(-1, GetFirmVersion(nullptr, out, sizeof out));
  EXPECT_STREQ("", out);
  EXPECT_EQ(-1, GetFirmVersion(itf_, nullptr, 64));
  EXPECT_EQ(kStatusQueryFailed, GetStatus(nullptr));
  EXPECT_TRUE(emulator_.Transfers(id_).empty());
}

// What fits the caller's buffer, through one of the text queries (the
// status numbers: InformationFileTest.LineRules).
TEST_F(EmulatedPrinter, AnswersThatFitTheCallersBufferOrNot) {
  const struct {
    std::string frame;
    size_t bufferSize;
    int64_t result;
  } cases[] = {
      {"00000001\r", 64, 0},                                // empty answer
      {"00000064" + std::string(63, '7') + "\r", 64, 63},  // 63 characters fit 64 bytes
      {"00000065" + std::string(64, '7') + "\r", 64, -1},  // 64 do not
      {"000000080000002\r", 8, 7},                          // 7 fit the class buffer
      {"0000000900000002\r", 8, -1},                        // 8 do not
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame.substr(0, 12));
    ASSERT_TRUE(Set({"frame.MEDIA=" + c.frame}));
    char out[65];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(c.result, GetMediaSize(itf_, out, c.bufferSize, kShort));
    EXPECT_EQ(c.result > 0 ? c.frame.substr(8, static_cast<size_t>(c.result)) : "", out);
    EXPECT_EQ('Z', out[c.bufferSize]) << "nothing past the buffer";
  }
}

// The serial number query reads the answer whole and converts it (every
// answer taken or refused: test_common).
TEST_F(EmulatedPrinter, SerialNumbersTakenAndRefusedWithTheReason) {
  const struct {
    std::string answer, serial;
    SerialRefusal refusal;
  } cases[] = {
      {"KVP 001 A", "KVP%20001%20A", SerialRefusal::None},
      {std::string(300, 'a'), "", SerialRefusal::TooLong},  // beyond the serial number's buffer
      {"../etc", "", SerialRefusal::PathPart},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    ASSERT_TRUE(Set({"serial=" + c.answer}) && emulator_.ClearLog(id_));
    char out[64];
    SerialRefusal refusal = SerialRefusal::TooLong;
    EXPECT_EQ(c.serial.empty() ? -1 : static_cast<int64_t>(c.serial.size()),
              GetSerialNo(itf_, out, sizeof out, kShort, &refusal));
    EXPECT_EQ(c.serial, std::string(out));
    EXPECT_EQ(c.refusal, refusal);
    EXPECT_EQ(std::vector<std::string>{"\x1bPINFO  SERIAL_NUMBER           "}, emulator_.LoggedHeaders(id_));
  }
  // A failed exchange is no refusal, and leaves the buffer empty too.
  ASSERT_TRUE(Set({"serial=KVP00123", "silent=SERIAL_NUMBER"}));
  char out[64] = "x";
  SerialRefusal refusal = SerialRefusal::TooLong;
  EXPECT_EQ(-1, GetSerialNo(itf_, out, sizeof out, kShort, &refusal));
  EXPECT_STREQ("", out);
  EXPECT_EQ(SerialRefusal::None, refusal);
}

}  // namespace
}  // namespace kv71p::test
