#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "CommandCatalogue.h"
#include "DeviceCmd.h"

namespace {

std::string Bytes(const DeviceCmd& cmd) {
  return std::string(reinterpret_cast<const char*>(cmd.buffer), static_cast<size_t>(cmd.length));
}

// Header text written out by hand: ESC P, name padded to 6, parameter padded
// to 16, length field of 8.
std::string Header(const std::string& name, const std::string& param, const std::string& len) {
  return std::string("\x1bP") + name + std::string(6 - name.size(), ' ') + param +
         std::string(16 - param.size(), ' ') + len;
}

TEST(DeviceCmd, WorkedCutterExample) {
  DeviceCmd cmd;
  ASSERT_EQ(0, cmd.MakeCmd("CNTRL", "CUTTER", 8, "00000120"));
  ASSERT_EQ(40, cmd.length);
  const unsigned char expected[] = {0x1B, 0x50, 'C', 'N', 'T', 'R', 'L', ' ', 'C', 'U',
                                    'T',  'T',  'E', 'R', ' ', ' ', ' ', ' ', ' ', ' ',
                                    ' ',  ' ',  ' ', ' ', '0', '0', '0', '0', '0', '0',
                                    '0',  '8',  '0', '0', '0', '0', '0', '1', '2', '0'};
  EXPECT_EQ(0, std::memcmp(expected, cmd.buffer, sizeof expected));
  EXPECT_EQ(0, cmd.buffer[40]);
  EXPECT_EQ(0, cmd.buffer[41]);
}

struct CatalogueCase {
  const char* label;
  int (*build)(DeviceCmd&);
  std::string expected;
};

TEST(DeviceCmd, EveryCatalogueCommandByteForByte) {
  const std::string blank8(8, ' ');
  const CatalogueCase cases[] = {
      {"cutter 120", [](DeviceCmd& c) { return MakeNumberCmd(c, kCmdCntrl, kParamCutter, 120); },
       Header("CNTRL", "CUTTER", "00000008") + "00000120"},
      {"cutter 0", [](DeviceCmd& c) { return MakeNumberCmd(c, kCmdCntrl, kParamCutter, 0); },
       Header("CNTRL", "CUTTER", "00000008") + "00000000"},
      {"overcoat 22",
       [](DeviceCmd& c) { return MakeNumberCmd(c, kCmdCntrl, kParamOvercoat, 22); },
       Header("CNTRL", "OVERCOAT", "00000008") + "00000022"},
      {"buffcntrl 1",
       [](DeviceCmd& c) { return MakeNumberCmd(c, kCmdCntrl, kParamBuffCntrl, 1); },
       Header("CNTRL", "BUFFCNTRL", "00000008") + "00000001"},
      {"printspeed 30",
       [](DeviceCmd& c) { return MakeNumberCmd(c, kCmdCntrl, kParamPrintSpeed, 30); },
       Header("CNTRL", "PRINTSPEED", "00000008") + "00000030"},
      {"decurl 2", [](DeviceCmd& c) { return MakeDecurlCmd(c, 2); },
       Header("CNTRL", "DECURL", "00000012") + "020000000000"},
      {"multicut 20",
       [](DeviceCmd& c) { return MakeNumberCmd(c, kCmdImage, kParamMultiCut, 20); },
       Header("IMAGE", "MULTICUT", "00000008") + "00000020"},
      {"start", [](DeviceCmd& c) { return MakeStartCmd(c); }, Header("CNTRL", "START", blank8)},
      {"status", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdStatus, nullptr); },
       Header("STATUS", "", blank8)},
      {"serial", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamSerialNumber); },
       Header("INFO", "SERIAL_NUMBER", blank8)},
      {"fver", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamFirmVersion); },
       Header("INFO", "FVER", blank8)},
      {"media", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamMedia); },
       Header("INFO", "MEDIA", blank8)},
      {"media class", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamMediaClass); },
       Header("INFO", "MEDIA_CLASS_RFID", blank8)},
      {"mqty default",
       [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamMediaInitial); },
       Header("INFO", "MQTY_DEFAULT", blank8)},
      {"mqty", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamMediaRemain); },
       Header("INFO", "MQTY", blank8)},
      {"rqty", [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdInfo, kParamMediaRemainHalf); },
       Header("INFO", "RQTY", blank8)},
      {"counter life",
       [](DeviceCmd& c) { return MakeQueryCmd(c, kCmdMntRd, kParamCounterLife); },
       Header("MNT_RD", "COUNTER_LIFE", blank8)},
      {"sys time",
       [](DeviceCmd& c) {
         struct tm t = {};
         t.tm_year = 2026 - 1900;
         t.tm_mon = 11;
         t.tm_mday = 6;
         t.tm_hour = 9;
         t.tm_min = 5;
         t.tm_sec = 7;
         return MakeSysTimeCmd(c, t);
       },
       Header("CNTRL", "SET_SYS_TIME", "00000016") + "20261206090507" + std::string("\r\0", 2)},
  };
  for (const CatalogueCase& tc : cases) {
    SCOPED_TRACE(tc.label);
    DeviceCmd cmd;
    ASSERT_EQ(0, tc.build(cmd));
    EXPECT_EQ(tc.expected, Bytes(cmd));
    const CatalogueEntry* entry = FindCatalogueEntry(cmd.buffer);
    ASSERT_NE(nullptr, entry);
  }
}

TEST(DeviceCmd, InvalidArgumentsLeaveNoBlock) {
  const char data[] = "12345678";
  struct {
    const char* label;
    const char* name;
    const char* param;
    int length;
    const void* payload;
    int result;
    int blockLength;
  } cases[] = {
      {"name of 7", "CNTRLXX", "START", -1, nullptr, 3, 0},
      {"parameter of 17", "INFO", "MEDIA_CLASS_RFIDX", -1, nullptr, 3, 0},
      {"parameter of 16", "INFO", "MEDIA_CLASS_RFID", -1, nullptr, 0, 32},
      {"data without parameter", "STATUS", nullptr, 8, data, 3, 0},
      {"length without payload", "CNTRL", "CUTTER", 8, nullptr, 0, 32},
      {"null name", nullptr, "START", -1, nullptr, 3, 0},
      {"length too large to allocate", "CNTRL", "CUTTER", 0x7FFFFFFF, data, 2, 0},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    DeviceCmd cmd;
    ASSERT_EQ(0, cmd.MakeCmd("CNTRL", "START", -1, nullptr));
    EXPECT_EQ(tc.result, cmd.MakeCmd(tc.name, tc.param, tc.length, tc.payload));
    EXPECT_EQ(tc.blockLength, cmd.length);
    EXPECT_EQ(tc.blockLength == 0, cmd.buffer == nullptr);
  }
}

TEST(DeviceCmd, SecondBlockReplacesFirstAndFreeEmpties) {
  DeviceCmd cmd;
  ASSERT_EQ(0, MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, 120));
  ASSERT_EQ(0, MakeStartCmd(cmd));
  EXPECT_EQ(Header("CNTRL", "START", std::string(8, ' ')), Bytes(cmd));
  EXPECT_EQ(0, cmd.Free());
  EXPECT_EQ(nullptr, cmd.buffer);
  EXPECT_EQ(0, cmd.length);
}

TEST(CommandCatalogue, UnknownHeadersAreNotFound) {
  unsigned char header[32];
  ASSERT_EQ(0, MakeCmdHeader(header, "CNTRL", "STARTX", -1));
  EXPECT_EQ(nullptr, FindCatalogueEntry(header));
  ASSERT_EQ(0, MakeCmdHeader(header, "INFO", "MEDIA", -1));
  const CatalogueEntry* e = FindCatalogueEntry(header);
  ASSERT_NE(nullptr, e);
  EXPECT_TRUE(e->query);
}

}  // namespace
