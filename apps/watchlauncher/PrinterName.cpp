#include "apps/watchlauncher/PrinterName.h"

#include "common/SerialNumber.h"

namespace kv71p::watchlauncher {

namespace {

// What the text buffer holds after the conversion: the text when it fits
// and is valid UTF-8, else nothing.
bool ConvertText(const std::string& text, std::string* buffer) {
  if (text.size() >= kTextBufferSize || !IsValidUtf8(text)) return false;
  *buffer = text;
  return true;
}

}  // namespace

bool PrinterNameForDeviceUri(const std::vector<CupsDestination>& printers, const std::string& uri,
                             std::string* name) {
  bool found = false;
  for (const CupsDestination& printer : printers) {
    if (!printer.hasDeviceUri) continue;
    std::string printerUri;
    if (!ConvertText(printer.deviceUri, &printerUri)) printerUri.clear();
    if (printerUri != uri) continue;
    std::string printerName;
    if (printer.name.empty() || !ConvertText(printer.name, &printerName)) continue;
    *name = std::move(printerName);
    found = true;
  }
  return found;
}

}  // namespace kv71p::watchlauncher
