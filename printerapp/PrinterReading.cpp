#include "printerapp/PrinterReading.h"

#include <sstream>

#include "common/PrinterFiles.h"
#include "common/TextHelpers.h"
#include "service/InformationFile.h"

namespace kv71p::printerapp {

namespace {

// The value of the line `KEY="value"` of `text`; empty when there is none
// or it is too long for the filter's reading.
std::string ValueOf(const std::string& text, const char* key) {
  const std::string prefix = std::string(key) + "=\"";
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, prefix.size(), prefix) != 0 || line.back() != '"') continue;
    const std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    return value.size() < filter::kMaxPerJobValueLength ? value : std::string();
  }
  return std::string();
}

// A number of the text, -1 when it is empty.
long CountOf(const std::string& text, const char* key) {
  const std::string value = ValueOf(text, key);
  return value.empty() ? -1 : ParseLong(value.c_str());
}

}  // namespace

PrinterReading ReadingOfInformationText(const std::string& text) {
  PrinterReading reading;
  const std::string status = ValueOf(text, infokey::kPrinterStatus);
  if (!status.empty()) reading.status = ParseInt(status.c_str());
  reading.supplies.initial = CountOf(text, infokey::kMediaInitial);
  reading.supplies.remaining = CountOf(text, infokey::kMediaRemain);
  reading.loadedMedia.mediaSize = ValueOf(text, infokey::kMediaSize);
  reading.loadedMedia.mediaClass = ValueOf(text, infokey::kMediaClass);
  reading.loadedMedia.remainHalf = ParseInt(ValueOf(text, infokey::kMediaRemainHalf).c_str());
  return reading;
}

bool ReadPrinter(UsbInterface* interface, const std::string& serialNo, const std::string& model,
                 const service::TransferTimeouts& timeouts, PrinterReading* reading) {
  std::string text;
  if (!service::ComposeInformationText(interface, serialNo, model, 0, &text, timeouts)) return false;
  *reading = ReadingOfInformationText(text);
  return true;
}

}  // namespace kv71p::printerapp
