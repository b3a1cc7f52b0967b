#include "filter/Common.h"

#include <cstring>
#include <string>

#include "common/CacheFolder.h"
#include "common/DeviceUri.h"
#include "common/PrinterFiles.h"
#include "common/KeyValueFile.h"
#include "platform/cups/CupsDestinations.h"

namespace kv71p::filter {

namespace {

// The firmware version that the model tables are compared with.
constexpr double kAssumedFirmwareVersion = 1.53;

// Default choice of a PPD option, or null. libcups marks its PPD interface
// deprecated; the filter reads the queue's PPD through it all the same.
const char* PpdDefaultChoice(ppd_file_t* ppd, const char* keyword) {
  if (ppd == nullptr) return nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ppd_option_t* option = ppdFindOption(ppd, keyword);
#pragma GCC diagnostic pop
  return option ? option->defchoice : nullptr;
}

// Looks `key` up in the KEY="value" file at `path` and copies the value to
// `out` when it fits with its terminator into `outSize` bytes.
void CopyKeyValue(const std::string& path, const char* key, char* out, int outSize) {
  std::string value;
  if (!FindKeyValue(path.c_str(), key, &value)) return;
  if (out == nullptr || outSize <= 0 || value.size() >= static_cast<size_t>(outSize)) return;
  std::memcpy(out, value.c_str(), value.size() + 1);
}

}  // namespace

const char* _GetCupsValue(const char* keyword, int numOptions, cups_option_t* options,
                          ppd_file_t* ppd) {
  if (keyword == nullptr) return nullptr;
  const char* value = cupsGetOption(keyword, numOptions, options);
  if (value == nullptr && std::strcmp(keyword, "PageSize") == 0)
    value = cupsGetOption("media", numOptions, options);
  if (value == nullptr) value = PpdDefaultChoice(ppd, keyword);
  return value;
}

int _GetCupsDeviceURI(const char* printer, char* out, uint64_t outSize) {
  if (printer == nullptr || out == nullptr) return -1;
  std::string uri;
  if (!GetCupsDeviceUri(printer, &uri)) return -1;
  if (uri.size() >= outSize) return -1;
  std::memcpy(out, uri.c_str(), uri.size() + 1);
  return 0;
}

int _GetFirmwVersion(int64_t /*ignored*/, double* version) {
  if (version == nullptr) return 3;
  *version = kAssumedFirmwareVersion;
  return 0;
}

int _GetValuePrInfoFile(const char* key, const char* jobId, char* out, int outSize) {
  if (key == nullptr || jobId == nullptr) return 0;
  CopyKeyValue(CacheFilePath(PerJobFileName(jobId)), key, out, outSize);
  return 0;
}

int _GetValuePrinterInfoFile(const char* printer, const char* key, const char* model, char* out,
                             int outSize) {
  char uri[256] = {};
  if (_GetCupsDeviceURI(printer, uri, sizeof uri) != 0) return -1;
  if (uri[0] == '\0' || key == nullptr || model == nullptr) return 0;

  std::string name = model;
  std::string serial;
  if (SerialTextOfUri(uri, &serial)) {
    // A serial number with a slash would name a file outside the cache
    // folder; such a queue has no information file.
    if (serial.find('/') != std::string::npos) return 0;
    name = name + "_" + serial;
  }
  CopyKeyValue(CacheFilePath(name + ".log"), key, out, outSize);
  return 0;
}

}  // namespace kv71p::filter
