// The serial numbers of the printers the application has a printer object
// for (a printer may stand behind more than one). The driver adds one when
// it sets up a printer object and takes it away when the object is
// deleted; the bus watch asks it whether a printer that arrives is known
// already and whose information file to keep.
#pragma once

#include <mutex>
#include <set>
#include <string>

namespace kv71p::printerapp {

class PrinterRegistry {
 public:
  void Add(const std::string& serialNo);
  void Remove(const std::string& serialNo);
  bool Has(const std::string& serialNo) const;

 private:
  mutable std::mutex mutex_;
  std::multiset<std::string> serials_;
};

}  // namespace kv71p::printerapp
