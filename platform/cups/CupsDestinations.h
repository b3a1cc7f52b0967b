// The local print system's printer list, through libcups destinations: the
// queues of the scheduler, never printers libcups discovers on the network.
// A destination's id is its queue name; its name is what the print system
// shows (the "printer-info" description, the queue name when there is
// none); its device URI is the "device-uri" option.
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

namespace kv71p {

// cupsEnumDests over the scheduler's queues (and their lpoptions
// instances) only; returns what cupsEnumDests returns.
int EnumerateQueues(cups_dest_cb_t callback, void* data);

struct CupsDestination {
  std::string id;          // queue name
  std::string name;        // shown name
  std::string deviceUri;   // empty when hasDeviceUri is false
  bool hasDeviceUri = false;
  bool isInstance = false; // an lpoptions instance of a queue ("queue/instance")
};

// Lists the destinations of the scheduler that libcups reaches (CUPS_SERVER
// and the client configuration decide which). Returns false when the list
// could not be obtained (no scheduler answered, or it refused the request);
// a scheduler without queues gives true and an empty list.
bool ListCupsDestinations(std::vector<CupsDestination>* out);

// Reads the "device-uri" of the queue `queue` (not an instance). Returns
// false when the list fails, the queue does not exist or has no URI.
bool GetCupsDeviceUri(const std::string& queue, std::string* uri);

}  // namespace kv71p
