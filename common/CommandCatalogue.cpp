#include "common/CommandCatalogue.h"

#include <cstdio>
#include <cstring>

#include "common/DeviceCmd.h"

namespace kv71p {

const CatalogueEntry kCommandCatalogue[] = {
    {kCmdCntrl, kParamSetSysTime, CmdData::SysTime16, false, 0},
    {kCmdCntrl, kParamCutter, CmdData::Number8, false, 0},
    {kCmdCntrl, kParamOvercoat, CmdData::Number8, false, 0},
    {kCmdCntrl, kParamBuffCntrl, CmdData::Number8, false, 0},
    {kCmdCntrl, kParamPrintSpeed, CmdData::Number8, false, 0},
    {kCmdCntrl, kParamDecurl, CmdData::Decurl12, false, 0},
    {kCmdImage, kParamMultiCut, CmdData::Number8, false, 0},
    {kCmdImage, kParamYPlane, CmdData::BmpPlane, false, 0},
    {kCmdImage, kParamMPlane, CmdData::BmpPlane, false, 0},
    {kCmdImage, kParamCPlane, CmdData::BmpPlane, false, 0},
    {kCmdCntrl, kParamStart, CmdData::None, false, 0},
    {kCmdStatus, nullptr, CmdData::None, true, 8},
    {kCmdInfo, kParamSerialNumber, CmdData::None, true, -1},
    {kCmdInfo, kParamFirmVersion, CmdData::None, true, -1},
    {kCmdInfo, kParamMedia, CmdData::None, true, -1},
    {kCmdInfo, kParamMediaClass, CmdData::None, true, -1},
    {kCmdInfo, kParamMediaInitial, CmdData::None, true, -1},
    {kCmdInfo, kParamMediaRemain, CmdData::None, true, -1},
    {kCmdInfo, kParamMediaRemainHalf, CmdData::None, true, -1},
    {kCmdMntRd, kParamCounterLife, CmdData::None, true, -1},
};
const size_t kCommandCatalogueSize = sizeof kCommandCatalogue / sizeof kCommandCatalogue[0];

namespace {

// True when the space-padded field holds exactly `text` (null: all blanks).
bool FieldEquals(const unsigned char* field, size_t size, const char* text) {
  const size_t n = text ? std::strlen(text) : 0;
  if (n > size || std::memcmp(field, text ? text : "", n) != 0) return false;
  for (size_t i = n; i < size; ++i)
    if (field[i] != ' ') return false;
  return true;
}

}  // namespace

const CatalogueEntry* FindCatalogueEntry(const unsigned char* header) {
  for (const CatalogueEntry& e : kCommandCatalogue) {
    if (FieldEquals(header + kCmdNameOffset, kCmdNameSize, e.command) &&
        FieldEquals(header + kCmdParamOffset, kCmdParamSize, e.parameter))
      return &e;
  }
  return nullptr;
}

int MakeNumberCmd(DeviceCmd& cmd, const char* command, const char* parameter, long value) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%08ld", value);
  return cmd.MakeCmd(command, parameter, n, text);
}

int MakeSysTimeCmd(DeviceCmd& cmd, const struct tm& t) {
  char text[40];
  int n = std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900,
                        t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  if (n != 14) return 3;  // a year beyond 9999 would not fit the 16 bytes
  text[14] = 0x0D;
  text[15] = 0x00;
  return cmd.MakeCmd(kCmdCntrl, kParamSetSysTime, 16, text);
}

int MakeDecurlCmd(DeviceCmd& cmd, int mode) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%02d0000000000", mode);
  return cmd.MakeCmd(kCmdCntrl, kParamDecurl, n, text);
}

int MakeStartCmd(DeviceCmd& cmd) { return cmd.MakeCmd(kCmdCntrl, kParamStart, -1, nullptr); }

int MakeQueryCmd(DeviceCmd& cmd, const char* command, const char* parameter) {
  return cmd.MakeCmd(command, parameter, -1, nullptr);
}

}  // namespace kv71p
