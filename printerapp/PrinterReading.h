// What the printer application learns from one reading of a printer: its
// status, its ribbon and the media loaded. The printer is asked the
// information file's queries through the service's own writer, so a job
// learns its loaded media exactly as the filter does from the per-job file.
#pragma once

#include <string>

#include "common/StatusCode.h"
#include "delivery/Supplies.h"
#include "filter/PerJobValues.h"
#include "platform/usb/UsbInterface.h"
#include "service/UsbTransport.h"

namespace kv71p::printerapp {

struct PrinterReading {
  int status = kStatusUnknown;
  delivery::Supplies supplies;
  filter::PerJobValues loadedMedia;  // MEDIA_SIZE, MEDIA_CLASS, MEDIA_REMAIN_HALF
};

// Reads the printer on the claimed `interface` (its serial number in the
// suite's form, its model name). False, with `reading` untouched, when the
// interface cannot be opened.
bool ReadPrinter(UsbInterface* interface, const std::string& serialNo, const std::string& model,
                 const service::TransferTimeouts& timeouts, PrinterReading* reading);

// The reading an information file's text holds. A value that is missing,
// empty or too long reads as unknown.
PrinterReading ReadingOfInformationText(const std::string& text);

}  // namespace kv71p::printerapp
