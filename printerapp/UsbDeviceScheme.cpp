#include "printerapp/UsbDeviceScheme.h"

#include <pappl/pappl.h>

#include <string>

#include "common/DeviceUri.h"
#include "common/Kv71pConfig.h"
#include "delivery/PrinterDiscovery.h"
#include "printerapp/AutoAddRequest.h"

namespace kv71p::printerapp {

namespace {

bool ListDevices(pappl_device_cb_t found, void* data, pappl_deverror_cb_t, void*) {
  const auto printers = delivery::ListAttachedPrinters(
      *CreateUsbBus(), KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID, [](const std::string&) {});
  for (const delivery::PrinterIdentity& printer : printers) {
    // PAPPL's autoadd sub-command names a printer object after its device's
    // info: the name the server itself gives an arriving printer.
    const std::string info = PrinterNameOf(printer.serialNo);
    if (found(info.c_str(), DeviceUriOf(printer.serialNo).c_str(), printer.deviceId.c_str(), data))
      return true;
  }
  return false;
}

bool OpenDevice(pappl_device_t* device, const char* uri, const char*) {
  std::string serialNo;
  if (uri != nullptr && SerialNumberOfDeviceUri(uri, &serialNo)) return true;
  papplDeviceError(device, "'%s' names no KV-71P printer.", uri != nullptr ? uri : "");
  return false;
}

void CloseDevice(pappl_device_t*) {}

ssize_t ReadDevice(pappl_device_t* device, void*, size_t) {
  papplDeviceError(device, "A KV-71P is read through the job's delivery.");
  return -1;
}

ssize_t WriteDevice(pappl_device_t* device, const void*, size_t) {
  papplDeviceError(device, "Prints reach a KV-71P through the job's delivery.");
  return -1;
}

}  // namespace

void RegisterDeviceScheme() {
  papplDeviceAddScheme(kDeviceUriScheme, PAPPL_DEVTYPE_USB, ListDevices, OpenDevice, CloseDevice, ReadDevice,
                       WriteDevice, nullptr, nullptr);
}

}  // namespace kv71p::printerapp
