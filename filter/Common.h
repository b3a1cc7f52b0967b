// Helpers of the filter: print option lookup (job options, then the PPD's
// defaults), the device URI of a queue, the firmware version the filter
// assumes, and the KEY="value" lookups in the per-job file and in a
// printer's information file.
#pragma once

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cstdint>

#include "common/TextHelpers.h"  // CutText, TextToInt, StoreLE2, StoreLE4

namespace kv71p::filter {

// Value of the print option `keyword`: the job option `keyword`; for
// "PageSize" the job option "media"; the default choice of the PPD's option
// `keyword`. Null when none exists. The text belongs to the option list or
// to the PPD.
const char* _GetCupsValue(const char* keyword, int numOptions, cups_option_t* options,
                          ppd_file_t* ppd);

// Copies the "device-uri" of the queue `printer` (not an instance) into
// `out` when it fits with its terminator into `outSize` bytes. Returns 0, or
// -1 when the queue, its URI or the scheduler is missing or the URI does not
// fit (then `out` is untouched).
int _GetCupsDeviceURI(const char* printer, char* out, uint64_t outSize);

// The firmware version the filter assumes for the printer (the printer is
// never asked): stores 1.53 in *version. Returns 0, or 3 when `version` is
// null. The first argument is not read.
int _GetFirmwVersion(int64_t ignored, double* version);

// Looks `key` up in the per-job file "<cache folder>/Print_<jobId>.log".
// The value is copied with its terminator into `out` only when it fits into
// `outSize` bytes; a missing file or key leaves `out` untouched. Returns 0.
int _GetValuePrInfoFile(const char* key, const char* jobId, char* out, int outSize);

// Looks `key` up in the information file of the queue `printer`:
// "<cache folder>/<model>_<serial>.log" when the queue's device URI holds
// "serial=<serial>", else "<cache folder>/<model>.log". `out` is filled as by
// _GetValuePrInfoFile. Returns -1 when the queue or its URI is not found,
// else 0.
int _GetValuePrinterInfoFile(const char* printer, const char* key, const char* model, char* out,
                             int outSize);

}  // namespace kv71p::filter
