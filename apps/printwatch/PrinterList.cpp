#include "apps/printwatch/PrinterList.h"

#include "platform/cups/CupsDestinations.h"

namespace kv71p::printwatch {

bool ListPrinterNames(std::vector<std::string>* names) {
  names->clear();
  std::vector<CupsDestination> destinations;
  if (!ListCupsDestinations(&destinations)) return false;
  for (const CupsDestination& d : destinations) names->push_back(d.name);
  return true;
}

}  // namespace kv71p::printwatch
