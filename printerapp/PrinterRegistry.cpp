#include "printerapp/PrinterRegistry.h"

namespace kv71p::printerapp {

void PrinterRegistry::Add(const std::string& serialNo) {
  std::lock_guard<std::mutex> hold(mutex_);
  serials_.insert(serialNo);
}

void PrinterRegistry::Remove(const std::string& serialNo) {
  std::lock_guard<std::mutex> hold(mutex_);
  const auto found = serials_.find(serialNo);
  if (found != serials_.end()) serials_.erase(found);
}

bool PrinterRegistry::Has(const std::string& serialNo) const {
  std::lock_guard<std::mutex> hold(mutex_);
  return serials_.count(serialNo) > 0;
}

}  // namespace kv71p::printerapp
