// Device discovery: run without arguments (as `lpinfo -v` and CUPS's
// printer setup do), the backend lists every attached KV-71P whose serial
// number the suite accepts, one line each through cupsBackendReport: class
// "direct", the device URI exactly as the status service registers it, the
// make and model "KORVALE SYSTEMS KV-71P", the info "KORVALE SYSTEMS KV-71P
// (<serial number>)" (the serial number in the suite's form, as the URI
// holds it), the printer's IEEE 1284 device ID and an empty
// location. A printer that another program holds cannot be asked and is
// not listed.
#pragma once

namespace kv71p::backend {

// Lists the printers on standard output; only DEBUG: lines go to standard
// error. Returns CUPS_BACKEND_OK.
int ListPrinters();

}  // namespace kv71p::backend
