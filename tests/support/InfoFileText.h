// The printer information file as the status service writes it: three
// sections, every line present, each value quoted; `values` fills the lines
// (missing keys stay empty).
#pragma once

#include <map>
#include <string>

namespace kv71p::test {

using InfoValues = std::map<std::string, std::string>;

inline std::string InfoFileText(const InfoValues& values) {
  auto line = [&](const char* key) {
    const auto it = values.find(key);
    return std::string(key) + "=\"" + (it == values.end() ? "" : it->second) + "\"\n";
  };
  return "#PRINTER_INFORMATION\n" + line("MODEL") + line("PRINTER_STATUS") +
         line("PRINTER_MESSAGE") + line("PRINTER_VERSION") + line("PRINTER_SERIAL_NO") +
         "\n#MEDIA_INFORMATION\n" + line("MEDIA_SIZE") + line("MEDIA_CLASS") +
         line("MEDIA_INITIAL") + line("MEDIA_REMAIN") + line("MEDIA_REMAIN_HALF") +
         "\n#COUNTER_INFORMATION\n" + line("TOTAL_COUNT") + "\n";
}

// The file of a printer that is gone (or whose serial number was never read).
inline std::string PlaceholderFile() {
  return InfoFileText({{"PRINTER_STATUS", "99999"}, {"PRINTER_MESSAGE", "00006"}});
}

}  // namespace kv71p::test
