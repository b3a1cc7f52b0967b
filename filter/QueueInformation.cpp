#include "filter/QueueInformation.h"

#include "common/CacheFolder.h"
#include "common/DeviceUri.h"
#include "common/KeyValueFile.h"
#include "common/PrinterFiles.h"
#include "platform/cups/CupsDestinations.h"

namespace kv71p::filter {

QueueLookup LookUpQueueInformation(const std::string& queue, const char* key, std::string* value) {
  std::string uri;
  if (!GetCupsDeviceUri(queue, &uri)) return QueueLookup::QueueNotFound;
  if (uri.empty() || key == nullptr) return QueueLookup::NoValue;
  std::string name = kModelName;
  std::string serial;
  if (SerialTextOfUri(uri, &serial)) {
    // A serial number with a slash would name a file outside the cache
    // folder; such a queue has no information file.
    if (serial.find('/') != std::string::npos) return QueueLookup::NoValue;
    name += "_" + serial;
  }
  return FindKeyValue(CacheFilePath(name + ".log").c_str(), key, value) ? QueueLookup::Found
                                                                        : QueueLookup::NoValue;
}

}  // namespace kv71p::filter
