#include "printerapp/AutoAddRequest.h"

#include <cups/cups.h>

#include <cctype>

#include "common/DeviceUri.h"

namespace kv71p::printerapp {

namespace {

constexpr char kSpace[] = "%20";
constexpr int kTimeoutMs = 30000;

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

}  // namespace

std::string PrinterNameOf(const std::string& serialNo) {
  std::string name = "KV-71P_";
  for (size_t i = 0; i < serialNo.size(); ++i) {
    const bool space = serialNo.compare(i, sizeof kSpace - 1, kSpace) == 0;
    if (space) i += sizeof kSpace - 2;
    if (!space && IsNameCharacter(serialNo[i]))
      name += serialNo[i];
    else if (name.back() != '_')
      name += '_';
  }
  return name;
}

bool RequestPrinterObject(const std::string& controlSocket, const delivery::PrinterIdentity& printer) {
  http_t* http = httpConnect2(controlSocket.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                              kTimeoutMs, nullptr);
  if (http == nullptr) return false;
  ipp_t* request = ippNewRequest(IPP_OP_CREATE_PRINTER);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "system-uri", nullptr, "ipp://localhost/ipp/system");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "printer-service-type", nullptr, "print");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "smi55357-driver", nullptr, "auto");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "smi55357-device-uri", nullptr,
               DeviceUriOf(printer.serialNo).c_str());
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr,
               PrinterNameOf(printer.serialNo).c_str());
  if (!printer.deviceId.empty())
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-device-id", nullptr, printer.deviceId.c_str());
  ippDelete(cupsDoRequest(http, request, "/ipp/system"));
  const bool made = cupsLastError() < IPP_STATUS_REDIRECTION_OTHER_SITE;
  httpClose(http);
  return made;
}

}  // namespace kv71p::printerapp
