// The printer link of a PAPPL output device (a file:// device for now):
// nothing is known about the loaded media, so every job has the default
// layout, and each print is written to the device as it is.
#pragma once

#include <pappl/pappl.h>

#include "printerapp/PrinterLink.h"

namespace kv71p::printerapp {

class DeviceLink : public PrinterLink {
 public:
  explicit DeviceLink(pappl_device_t* device) : device_(device) {}

  filter::PerJobValues LoadedMedia() override { return {}; }
  SendResult SendPrint(const std::vector<unsigned char>& print) override;

 private:
  pappl_device_t* device_;
};

}  // namespace kv71p::printerapp
