// The names under which the print system shows its printers.
#pragma once

#include <string>
#include <vector>

namespace kv71p::printwatch {

// The shown name of every CUPS destination; false when the list could not
// be obtained (no scheduler answered), which is not the same as no printers.
bool ListPrinterNames(std::vector<std::string>* names);

}  // namespace kv71p::printwatch
