#include "tools/testbed/soak/QueueAudit.h"

#include <set>

#include "common/DeviceUri.h"
#include "platform/cups/CupsDestinations.h"

namespace kv71p::soak {

bool QueueAudit::Look() {
  std::vector<CupsDestination> destinations;
  if (!ListCupsDestinations(&destinations)) return false;
  for (const CupsDestination& d : destinations) {
    if (d.isInstance) continue;
    const auto known = queues_.find(d.id);
    if (known == queues_.end()) {
      queues_[d.id] = {d.id, d.name, d.deviceUri};
    } else if (known->second.uri != d.deviceUri) {
      repointed_.push_back("queue " + d.id + " made for " + known->second.uri + " now prints to " +
                           d.deviceUri);
      known->second.uri = d.deviceUri;
    }
  }
  return true;
}

const SoakQueue* QueueAudit::QueueOf(const std::string& serial) const {
  for (const auto& [name, queue] : queues_)
    if (IsDeviceUriOf(queue.uri, serial)) return &queue;
  return nullptr;
}

std::vector<std::string> QueueAudit::Problems(const std::vector<std::string>& serials) const {
  std::vector<std::string> problems = repointed_;
  std::set<std::string> claimed;
  for (const std::string& serial : serials) {
    std::vector<std::string> names;
    for (const auto& [name, queue] : queues_)
      if (IsDeviceUriOf(queue.uri, serial)) names.push_back(name);
    if (names.empty()) problems.push_back("printer " + serial + " has no queue");
    if (names.size() > 1) problems.push_back("printer " + serial + " has " + std::to_string(names.size()) + " queues");
    claimed.insert(names.begin(), names.end());
  }
  for (const auto& [name, queue] : queues_)
    if (!claimed.count(name)) problems.push_back("queue " + name + " prints to no soak printer: " + queue.uri);
  return problems;
}

}  // namespace kv71p::soak
