// The KV-71P queues among the print system's destinations: those whose
// device URI names a printer of the status service (DeviceUri.h).
#pragma once

#include <string>
#include <vector>

#include "platform/cups/CupsDestinations.h"

namespace kv71p::watchlauncher {

struct Kv71pQueue {
  std::string queue;     // the queue name, Watchlauncher's argument
  std::string name;      // the name the print system shows
  std::string serialNo;  // from the device URI
};

// The queues of `destinations` in their order; lpoptions instances are left
// out (they share their queue's printer).
std::vector<Kv71pQueue> Kv71pQueues(const std::vector<CupsDestination>& destinations);

}  // namespace kv71p::watchlauncher
