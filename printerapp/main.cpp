// kv71p-printer-app: the KV-71P as an IPP Everywhere printer.
//
//   kv71p-printer-app server [-o NAME=VALUE ...]   run the server
//   kv71p-printer-app devices                      the attached KV-71P printers
//   kv71p-printer-app add -d NAME -m kv71p -v DEVICE-URI
//   kv71p-printer-app submit [-d NAME | -u PRINTER-URI] [-o NAME=VALUE ...] FILE
//   kv71p-printer-app drivers | printers | status | jobs | cancel | shutdown ...
//
// PAPPL's mainloop runs the sub-commands; the server's options are listed
// in AppSystem.h, the driver and its options in Kv71pDriver.h and
// DriverTables.h, the device URIs in UsbDeviceScheme.h. A running server
// gives every KV-71P attached to it a printer object by itself
// (PrinterWatch.h).
#include <pappl/pappl.h>

#include "common/Kv71pConfig.h"
#include "printerapp/AppSystem.h"
#include "printerapp/Kv71pDriver.h"
#include "printerapp/PrinterApp.h"
#include "printerapp/UsbDeviceScheme.h"

// The footer of every page of the web interface. PAPPL 1.3.1 needs one:
// without it, it crashes at the end of every page.
constexpr char kFooterHtml[] = "KV-71P printer application " KV71P_VERSION;

int main(int argc, char* argv[]) {
  using namespace kv71p::printerapp;
  RegisterDeviceScheme();
  PrinterApp app(argv[0]);
  return papplMainloop(argc, argv, KV71P_VERSION, kFooterHtml, kDriverCount, kDrivers, DriverOfDevice,
                       FillDriverData, nullptr, nullptr, CreateSystem, nullptr, &app);
}
