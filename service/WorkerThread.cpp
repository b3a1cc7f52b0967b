#include "service/WorkerThread.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "service/DeviceDiscovery.h"
#include "service/InformationFile.h"
#include "service/InterfacePass.h"

namespace kv71p::service {

namespace {

// The listed record that works on `device`, looked up under `m`.
thdata* FindRecord(const kv71p::UsbDevice* device) {
  std::lock_guard<std::mutex> lock(m);
  auto it = std::find_if(thDevData.begin(), thDevData.end(), [&](const std::unique_ptr<thdata>& r) {
    return r->device.get() == device;
  });
  return it == thDevData.end() ? nullptr : it->get();
}

void ReleaseDevice(thdata* record) {
  std::lock_guard<std::mutex> lock(m);
  record->device.reset();
}

// Opens the printer and runs an interface pass on each of its interfaces.
void PassOverDevice(thdata* record) {
  kv71p::UsbDevice* device = record->device.get();
  int r = device->OpenSeize();
  if (r != kv71p::kUsbSuccess) {
    std::printf("thread_function: unable to open device. ret = %08x\n", static_cast<unsigned>(r));
    return;
  }
  std::vector<std::unique_ptr<kv71p::UsbInterface>> interfaces;
  if (device->GetInterfaces(&interfaces) != kv71p::kUsbSuccess) {
    std::printf("thread_function: unable to create interface iterator\n");
    device->Close();
    return;
  }
  for (auto& interface : interfaces) {
    dealWithInterface(interface.get(), record);
    interface.reset();
  }
  r = device->Close();
  if (r != kv71p::kUsbSuccess)
    std::printf("thread_function: error closing device - %08x\n", static_cast<unsigned>(r));
}

// One cycle: the flag-file scan, a pass when there is something to do,
// then the sleep.
void RunCycle(thdata* record) {
  if (record->serialKnown) record->flagBits = static_cast<int32_t>(pdeFileCheck(record->serialNo));
  // Nothing asked for and the queue in place: the printer is left alone.
  if (record->flagBits != 0 || !record->queueRegistered) PassOverDevice(record);
  record->flagBits = 0;
  sleep(kCycleSleepSeconds);
}

}  // namespace

void* thread_function(void* arg) {
  thdata* const started = static_cast<thdata*>(arg);
  const kv71p::UsbDevice* const device = started->device.get();
  for (;;) {
    thdata* record = FindRecord(device);
    if (record == nullptr) {
      sleep(kCycleSleepSeconds);
      continue;
    }
    if (record->stopRequested) {
      // The printer is gone: its file says so until it returns.
      WriteFile(record->serialNo);
      ReleaseDevice(record);
      return nullptr;
    }
    RunCycle(record);
  }
}

}  // namespace kv71p::service
