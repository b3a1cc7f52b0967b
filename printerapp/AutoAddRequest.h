// A printer object for a KV-71P that arrived, asked of the running server
// with the Create-Printer request that PAPPL's autoadd sub-command sends:
// over the server's control socket (which needs no authentication), with
// the driver "auto", so PAPPL's auto-add callback picks the driver by the
// device ID's maker and model.
#pragma once

#include <string>

#include "delivery/DeliveryObserver.h"

namespace kv71p::printerapp {

// The name of the printer object of an auto-added printer: "KV-71P_" and
// its serial number, every character outside letters, digits, "-" and "."
// (the spaces of the suite's form included) as one "_".
std::string PrinterNameOf(const std::string& serialNo);

// Asks the server at `controlSocket` for the printer object; false when it
// made none (it logs why).
bool RequestPrinterObject(const std::string& controlSocket, const delivery::PrinterIdentity& printer);

}  // namespace kv71p::printerapp
