#include "platform/cups/CupsDestinations.h"

#include <cups/cups.h>

namespace kv71p {

namespace {

// libcups returns an empty list with success when no scheduler answers;
// the error is only visible through cupsLastError(). "Not found" is the
// scheduler's answer when it has no queues, which is a valid empty list.
bool ListCallFailed() {
  const ipp_status_t status = cupsLastError();
  return status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND;
}

class DestList {
 public:
  DestList() { count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_); }
  ~DestList() { cupsFreeDests(count_, dests_); }
  DestList(const DestList&) = delete;
  DestList& operator=(const DestList&) = delete;
  int count() const { return count_; }
  cups_dest_t* dests() const { return dests_; }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

}  // namespace

bool ListCupsDestinations(std::vector<CupsDestination>* out) {
  out->clear();
  DestList list;
  if (list.count() == 0 && ListCallFailed()) return false;
  for (int i = 0; i < list.count(); ++i) {
    const cups_dest_t& d = list.dests()[i];
    CupsDestination dest;
    dest.id = d.name ? d.name : "";
    dest.isInstance = d.instance != nullptr;
    const char* info = cupsGetOption("printer-info", d.num_options, d.options);
    dest.name = (info && *info) ? info : dest.id;
    const char* uri = cupsGetOption("device-uri", d.num_options, d.options);
    dest.hasDeviceUri = uri != nullptr;
    if (uri) dest.deviceUri = uri;
    out->push_back(std::move(dest));
  }
  return true;
}

bool GetCupsDeviceUri(const std::string& queue, std::string* uri) {
  DestList list;
  cups_dest_t* d = cupsGetDest(queue.c_str(), nullptr, list.count(), list.dests());
  if (d == nullptr) return false;
  const char* value = cupsGetOption("device-uri", d->num_options, d->options);
  if (value == nullptr) return false;
  *uri = value;
  return true;
}

}  // namespace kv71p
