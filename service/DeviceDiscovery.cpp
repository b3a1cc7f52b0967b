#include "service/DeviceDiscovery.h"

#include <algorithm>
#include <cstdio>

#include "service/WorkerThread.h"

namespace kv71p::service {

std::vector<std::unique_ptr<thdata>> thDevData;
std::mutex m;

void dealWithDevice(const std::shared_ptr<kv71p::UsbDevice>& service) {
  if (!service) {
    std::printf("dealWithDevice: unable to create a device interface. ret = %08x, dev = %p\n",
                static_cast<unsigned>(kv71p::kUsbErrorNoDevice), static_cast<void*>(nullptr));
    return;
  }
  auto owned = std::make_unique<thdata>();
  thdata* record = owned.get();
  record->service = service->Id();
  record->device = service;

  // The record is listed before its worker starts, so a removal that
  // arrives before the worker's first cycle still finds it and ends it.
  {
    std::lock_guard<std::mutex> lock(m);
    thDevData.push_back(std::move(owned));
  }
  if (pthread_create(&record->thread, nullptr, thread_function, record) != 0) {
    // No worker: the printer is passed over; the record goes again.
    std::lock_guard<std::mutex> lock(m);
    auto it = std::find_if(thDevData.begin(), thDevData.end(),
                           [&](const std::unique_ptr<thdata>& r) { return r.get() == record; });
    if (it != thDevData.end()) thDevData.erase(it);
  }
}

void DeviceAdded(const std::vector<std::shared_ptr<kv71p::UsbDevice>>& services) {
  for (const auto& service : services) dealWithDevice(service);
}

void DeviceRemoved(const std::vector<uint64_t>& services) {
  for (uint64_t service : services) {
    pthread_t worker{};
    {
      std::lock_guard<std::mutex> lock(m);
      auto it = std::find_if(thDevData.begin(), thDevData.end(),
                             [&](const std::unique_ptr<thdata>& r) { return r->service == service; });
      if (it == thDevData.end()) continue;
      (*it)->stopRequested = 1;
      worker = (*it)->thread;
    }
    // The worker finishes its cycle and its sleep, sees the flag, writes
    // the placeholder file and ends.
    pthread_join(worker, nullptr);

    std::lock_guard<std::mutex> lock(m);
    thDevData.erase(std::remove_if(thDevData.begin(), thDevData.end(),
                                   [&](const std::unique_ptr<thdata>& r) {
                                     return r->service == service;
                                   }),
                    thDevData.end());
  }
}

void DispatchUsbEvents(const std::vector<kv71p::UsbEvent>& events) {
  for (const kv71p::UsbEvent& event : events) {
    if (event.kind == kv71p::UsbEventKind::Arrived)
      DeviceAdded({event.device});
    else if (event.device)
      DeviceRemoved({event.device->Id()});
  }
}

}  // namespace kv71p::service
