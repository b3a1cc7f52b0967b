#include "platform/cups/CupsDestinations.h"

#include <cups/cups.h>

#include <utility>

namespace kv71p {

namespace {

// libcups returns an empty list with success when no scheduler answers;
// the error is only visible through cupsLastError(). "Not found" is the
// scheduler's answer when it has no queues, which is a valid empty list.
bool ListCallFailed() {
  const ipp_status_t status = cupsLastError();
  return status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND;
}

int AddDest(void* list, unsigned /*flags*/, cups_dest_t* dest) {
  auto* dests = static_cast<std::pair<int, cups_dest_t*>*>(list);
  dests->first = cupsCopyDest(dest, dests->first, &dests->second);
  return 1;
}

// The scheduler's queues (and their lpoptions instances).
class DestList {
 public:
  DestList() {
    std::pair<int, cups_dest_t*> list{0, nullptr};
    EnumerateQueues(AddDest, &list);
    count_ = list.first;
    dests_ = list.second;
  }
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

int EnumerateQueues(cups_dest_cb_t callback, void* data) {
  // Printers that libcups finds on the network (DNS-SD) are no queues of
  // this scheduler: asking for them only costs the browsing time.
  return cupsEnumDests(CUPS_DEST_FLAGS_NONE, 0, nullptr, 0, CUPS_PRINTER_DISCOVERED, callback, data);
}

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
