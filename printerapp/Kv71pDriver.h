// The printer application's KV-71P driver: the driver list, and the driver
// callback that fills PAPPL's driver data (callbacks, media, resolutions,
// raster types, vendor attributes, supplies) in one place from the tables
// of DriverTables.h.
#pragma once

#include <pappl/pappl.h>

namespace kv71p::printerapp {

// The drivers the application offers (one).
extern pappl_pr_driver_t kDrivers[1];
inline constexpr int kDriverCount = 1;

bool FillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri, const char* deviceId,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void* callbackData);

}  // namespace kv71p::printerapp
