// Every command block the suite sends to the printer: the settings, images
// and start command of the print stream, and the status queries over USB.
#pragma once

#include <cstddef>
#include <ctime>

namespace kv71p {

class DeviceCmd;

// Command names.
inline constexpr char kCmdCntrl[] = "CNTRL";
inline constexpr char kCmdImage[] = "IMAGE";
inline constexpr char kCmdInfo[] = "INFO";
inline constexpr char kCmdStatus[] = "STATUS";
inline constexpr char kCmdMntRd[] = "MNT_RD";

// Parameters of the print stream.
inline constexpr char kParamSetSysTime[] = "SET_SYS_TIME";
inline constexpr char kParamCutter[] = "CUTTER";
inline constexpr char kParamOvercoat[] = "OVERCOAT";
inline constexpr char kParamBuffCntrl[] = "BUFFCNTRL";
inline constexpr char kParamPrintSpeed[] = "PRINTSPEED";
inline constexpr char kParamDecurl[] = "DECURL";
inline constexpr char kParamMultiCut[] = "MULTICUT";
inline constexpr char kParamYPlane[] = "YPLANE";
inline constexpr char kParamMPlane[] = "MPLANE";
inline constexpr char kParamCPlane[] = "CPLANE";
inline constexpr char kParamStart[] = "START";

// Parameters of the status queries.
inline constexpr char kParamSerialNumber[] = "SERIAL_NUMBER";
inline constexpr char kParamFirmVersion[] = "FVER";
inline constexpr char kParamMedia[] = "MEDIA";
inline constexpr char kParamMediaClass[] = "MEDIA_CLASS_RFID";
inline constexpr char kParamMediaInitial[] = "MQTY_DEFAULT";
inline constexpr char kParamMediaRemain[] = "MQTY";
inline constexpr char kParamMediaRemainHalf[] = "RQTY";
inline constexpr char kParamCounterLife[] = "COUNTER_LIFE";

// What a command carries after its header.
enum class CmdData {
  None,       // header only
  Number8,    // 8 characters "%08d"
  SysTime16,  // "%04d%02d%02d%02d%02d%02d", 0x0D, 0x00
  Decurl12,   // "%02d0000000000"
  BmpPlane,   // an 8-bit BMP image of 1088 + pixel bytes
};

struct CatalogueEntry {
  const char* command;
  const char* parameter;  // null: the parameter field is blank
  CmdData data;
  bool query;             // sent by the status service over USB
  int expectedAnswer;     // query answers: exact payload length, -1 any length
};

extern const CatalogueEntry kCommandCatalogue[];
extern const size_t kCommandCatalogueSize;

// Finds the entry whose name and parameter match the (space-padded, not
// terminated) fields of a block header; null when the block is unknown.
const CatalogueEntry* FindCatalogueEntry(const unsigned char* header);

// Builders for the catalogue. Each returns the result of DeviceCmd::MakeCmd.
int MakeNumberCmd(DeviceCmd& cmd, const char* command, const char* parameter, long value);
int MakeSysTimeCmd(DeviceCmd& cmd, const struct tm& localTime);
int MakeDecurlCmd(DeviceCmd& cmd, int mode);
int MakeStartCmd(DeviceCmd& cmd);
int MakeQueryCmd(DeviceCmd& cmd, const char* command, const char* parameter);

}  // namespace kv71p
