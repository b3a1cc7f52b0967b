#include "service/PrinterTable.h"

#include <algorithm>
#include <cstdio>

namespace kv71p::service {

namespace {

// What a new worker thread is given: its worker and its record.
struct WorkerStart {
  PrinterTable::Worker worker;
  PrinterRecord* record;
};

void* RunWorkerThread(void* arg) {
  const std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(arg));
  start->worker(start->record);
  return nullptr;
}

}  // namespace

PrinterTable::PrinterTable(Worker worker) : worker_(std::move(worker)) {}

PrinterTable::~PrinterTable() {
  std::vector<uint64_t> ids;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Entry& e : entries_) ids.push_back(e.record->deviceId);
  }
  for (uint64_t id : ids) PrinterLeft(id);
}

void PrinterTable::PrinterArrived(const std::shared_ptr<kv71p::UsbDevice>& device) {
  if (!device) {
    std::printf("PrinterArrived: unable to create a device interface. ret = %08x, dev = %p\n",
                static_cast<unsigned>(kv71p::kUsbErrorNoDevice), static_cast<void*>(nullptr));
    return;
  }
  auto owned = std::make_unique<PrinterRecord>(device);
  PrinterRecord* const record = owned.get();
  // The record is listed before its worker starts, so a removal that comes
  // before the worker's first cycle still finds it and ends it.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({std::move(owned), pthread_t{}});
  }
  auto start = std::make_unique<WorkerStart>(WorkerStart{worker_, record});
  pthread_t thread{};
  const bool started = pthread_create(&thread, nullptr, RunWorkerThread, start.get()) == 0;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return e.record.get() == record; });
  if (started) {
    start.release();  // the thread owns it now
    it->thread = thread;
  } else {
    // No worker: the printer is passed over, its record goes again.
    entries_.erase(it);
  }
}

void PrinterTable::PrinterLeft(uint64_t deviceId) {
  pthread_t worker{};
  const PrinterRecord* record = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.record->deviceId == deviceId; });
    if (it == entries_.end()) return;
    it->record->stop.Request();
    worker = it->thread;
    record = it->record.get();
  }
  // The worker ends its pass (the printer's transfers fail now), writes the
  // placeholder file and returns; its record is not touched meanwhile.
  pthread_join(worker, nullptr);

  std::lock_guard<std::mutex> lock(mutex_);
  entries_.erase(std::find_if(entries_.begin(), entries_.end(),
                              [&](const Entry& e) { return e.record.get() == record; }));
}

void PrinterTable::HandleBusEvents(const std::vector<kv71p::UsbEvent>& events) {
  for (const kv71p::UsbEvent& event : events) {
    if (event.kind == kv71p::UsbEventKind::Arrived)
      PrinterArrived(event.device);
    else if (event.device)
      PrinterLeft(event.device->Id());
  }
}

size_t PrinterTable::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace kv71p::service
