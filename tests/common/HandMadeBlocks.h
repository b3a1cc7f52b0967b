// Command blocks written out by hand from the documented layout, apart from
// the code under test: the block framing, the BMP plane commands, and one
// block of every kind the builders make.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"

using namespace kv71p;

namespace handmade {

// ESC 'P', the name and the parameter space-padded to 6 and 16 characters,
// the data length as 8 digits (8 spaces without data), the data.
inline std::string Block(const std::string& name, const std::string& parameter,
                         const std::string& data = "") {
  char length[16];
  std::snprintf(length, sizeof length, "%08zu", data.size());
  return "\x1bP" + name + std::string(6 - name.size(), ' ') + parameter +
         std::string(16 - parameter.size(), ' ') + (data.empty() ? std::string(8, ' ') : length) + data;
}

inline std::string LE(uint32_t v, int size) {
  std::string b;
  for (int i = 0; i < size; ++i) b += static_cast<char>(v >> (8 * i));
  return b;
}

// A plane command of `height` rows of 2560 pixels: file header, information
// header, grey palette, 10 zero bytes, then the rows bottom row first;
// pixel(x, storedRow) gives each value.
template <typename Pixel>
std::string PlaneCommand(const char* parameter, int height, int dpiY, Pixel pixel) {
  const uint32_t n = 2560u * static_cast<uint32_t>(height);
  std::string data = "BM" + LE(n + 1088, 4) + LE(0, 4) + LE(1088, 4) + LE(40, 4) + LE(2560, 4) +
                     LE(static_cast<uint32_t>(height), 4) + LE(1, 2) + LE(8, 2) + LE(0, 4) + LE(n, 4) +
                     LE(11811, 4) + LE(dpiY == 600 ? 23622 : 11811, 4) + LE(256, 4) + LE(256, 4);
  for (int i = 0; i < 256; ++i) data += LE(static_cast<uint32_t>(i) * 0x010101u, 4);
  data += std::string(10, '\0');
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 2560; ++x) data += static_cast<char>(pixel(x, y));
  return Block("IMAGE", parameter, data);
}

inline std::string PlainPlane(const char* parameter, int height = 2) {
  return PlaneCommand(parameter, height, 300, [](int x, int y) { return (x + 7 * y) & 0xFF; });
}

// A block a builder makes, and its bytes.
struct Built {
  std::string label;
  std::function<int(DeviceCmd&)> build;
  std::string bytes;
};

// One block of every kind the builders make, in catalogue order (the plane
// commands are PlaneCommand's).
inline std::vector<Built> EveryBuiltBlock() {
  auto number = [](const char* command, const char* parameter, long value) {
    return [=](DeviceCmd& c) { return MakeNumberCmd(c, command, parameter, value); };
  };
  auto query = [](const char* command, const char* parameter) {
    return [=](DeviceCmd& c) { return MakeQueryCmd(c, command, parameter); };
  };
  auto decurl = [](int mode) { return [=](DeviceCmd& c) { return MakeDecurlCmd(c, mode); }; };
  return {
      {"time",
       [](DeviceCmd& c) {
         struct tm t = {};
         t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 6, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 7;
         return MakeSysTimeCmd(c, t);
       },
       Block("CNTRL", "SET_SYS_TIME", std::string("20261206090507\r\0", 16))},
      {"cutter", number(kCmdCntrl, kParamCutter, 120), Block("CNTRL", "CUTTER", "00000120")},
      {"cutter 0", number(kCmdCntrl, kParamCutter, 0), Block("CNTRL", "CUTTER", "00000000")},
      {"overcoat", number(kCmdCntrl, kParamOvercoat, 22), Block("CNTRL", "OVERCOAT", "00000022")},
      {"retry", number(kCmdCntrl, kParamBuffCntrl, 1), Block("CNTRL", "BUFFCNTRL", "00000001")},
      {"speed", number(kCmdCntrl, kParamPrintSpeed, 30), Block("CNTRL", "PRINTSPEED", "00000030")},
      {"decurl 0", decurl(0), Block("CNTRL", "DECURL", "000000000000")},
      {"decurl 1", decurl(1), Block("CNTRL", "DECURL", "010000000000")},
      {"decurl 2", decurl(2), Block("CNTRL", "DECURL", "020000000000")},
      {"multicut", number(kCmdImage, kParamMultiCut, 408), Block("IMAGE", "MULTICUT", "00000408")},
      {"start", [](DeviceCmd& c) { return MakeStartCmd(c); }, Block("CNTRL", "START")},
      {"status", query(kCmdStatus, nullptr), Block("STATUS", "")},
      {"serial", query(kCmdInfo, kParamSerialNumber), Block("INFO", "SERIAL_NUMBER")},
      {"firmware", query(kCmdInfo, kParamFirmVersion), Block("INFO", "FVER")},
      {"media", query(kCmdInfo, kParamMedia), Block("INFO", "MEDIA")},
      {"class", query(kCmdInfo, kParamMediaClass), Block("INFO", "MEDIA_CLASS_RFID")},
      {"initial", query(kCmdInfo, kParamMediaInitial), Block("INFO", "MQTY_DEFAULT")},
      {"remain", query(kCmdInfo, kParamMediaRemain), Block("INFO", "MQTY")},
      {"half", query(kCmdInfo, kParamMediaRemainHalf), Block("INFO", "RQTY")},
      {"counter", query(kCmdMntRd, kParamCounterLife), Block("MNT_RD", "COUNTER_LIFE")},
  };
}

}  // namespace handmade
