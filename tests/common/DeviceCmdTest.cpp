#include <gtest/gtest.h>

#include <string>

#include "tests/common/HandMadeBlocks.h"

namespace {

std::string Bytes(const DeviceCmd& cmd) {
  if (cmd.buffer == nullptr) return "";
  return std::string(reinterpret_cast<const char*>(cmd.buffer), static_cast<size_t>(cmd.length));
}

TEST(DeviceCmd, EveryCatalogueCommandByteForByte) {
  for (const handmade::Built& b : handmade::EveryBuiltBlock()) {
    SCOPED_TRACE(b.label);
    DeviceCmd cmd;
    ASSERT_EQ(0, b.build(cmd));
    EXPECT_EQ(b.bytes, Bytes(cmd));
    EXPECT_EQ(0, cmd.buffer[cmd.length]);
    EXPECT_EQ(0, cmd.buffer[cmd.length + 1]);
    EXPECT_NE(nullptr, FindCatalogueEntry(cmd.buffer));
  }
  unsigned char header[32];
  ASSERT_EQ(0, MakeCmdHeader(header, "CNTRL", "STARTX", -1));
  EXPECT_EQ(nullptr, FindCatalogueEntry(header));
}

TEST(DeviceCmd, InvalidArgumentsLeaveNoBlock) {
  const char data[] = "12345678";
  struct {
    const char *label, *name, *param;
    int length;
    const void* payload;
    int result;
    std::string block;
  } cases[] = {
      {"name of 7", "CNTRLXX", "START", -1, nullptr, 3, ""},
      {"parameter of 17", "INFO", "MEDIA_CLASS_RFIDX", -1, nullptr, 3, ""},
      {"parameter of 16", "INFO", "MEDIA_CLASS_RFID", -1, nullptr, 0, handmade::Block("INFO", "MEDIA_CLASS_RFID")},
      {"data without parameter", "STATUS", nullptr, 8, data, 3, ""},
      {"length without payload", "CNTRL", "CUTTER", 8, nullptr, 0, handmade::Block("CNTRL", "CUTTER")},
      {"null name", nullptr, "START", -1, nullptr, 3, ""},
      {"too large to allocate", "CNTRL", "CUTTER", 0x7FFFFFFF, data, 2, ""},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    DeviceCmd cmd;
    ASSERT_EQ(0, MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, 120));
    EXPECT_EQ(tc.result, cmd.MakeCmd(tc.name, tc.param, tc.length, tc.payload));
    EXPECT_EQ(tc.block, Bytes(cmd));
    EXPECT_EQ(tc.block.empty(), cmd.buffer == nullptr);
    EXPECT_EQ(0, cmd.Free());
    EXPECT_EQ(0, cmd.length);
  }
}

}  // namespace
