// The printer application's KV-71P driver: the driver list, the auto-add
// callback that picks it for a KV-71P's device ID, and the driver callback
// that fills PAPPL's driver data (callbacks, media, resolutions, raster
// types, vendor attributes, supplies) in one place from the tables of
// DriverTables.h. A printer object of the driver is a KV-71P on USB: its
// device URI is the backend's (UsbDeviceScheme.h).
#pragma once

#include <pappl/pappl.h>

namespace kv71p::printerapp {

// The drivers the application offers (one).
extern pappl_pr_driver_t kDrivers[1];
inline constexpr int kDriverCount = 1;

// PAPPL's auto-add callback: the driver whose device ID has the maker and
// model of `deviceId` (compared without regard to case), or null.
const char* DriverOfDevice(const char* deviceInfo, const char* deviceUri, const char* deviceId, void* data);

// PAPPL's driver callback. `registry` is the application's PrinterRegistry;
// a device URI that names no KV-71P is refused.
bool FillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri, const char* deviceId,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void* registry);

}  // namespace kv71p::printerapp
