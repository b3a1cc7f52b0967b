#include "apps/watchlauncher/Kv71pQueues.h"

#include "common/DeviceUri.h"

namespace kv71p::watchlauncher {

std::vector<Kv71pQueue> Kv71pQueues(const std::vector<CupsDestination>& destinations) {
  std::vector<Kv71pQueue> queues;
  for (const CupsDestination& d : destinations) {
    Kv71pQueue q;
    if (d.isInstance || !d.hasDeviceUri || !SerialNumberOfDeviceUri(d.deviceUri, &q.serialNo)) {
      continue;
    }
    q.queue = d.id;
    q.name = d.name;
    queues.push_back(std::move(q));
  }
  return queues;
}

}  // namespace kv71p::watchlauncher
