// The application's one device URI scheme: KV-71P printers on the suite's
// USB layer (the emulated bus when KV71P_USB_EMULATOR is set), with the
// backend's URIs "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=<serial>".
// Listing (the devices sub-command, the web interface's "Add Printer",
// auto-adding) asks the attached printers with the backend's discovery.
//
// Registered before PAPPL adds its own schemes, it keeps them out: PAPPL
// 1.3.1 adds its file, network and usb schemes only while none is known.
// So listing never reaches its DNS-SD browsing (which aborts the program
// when avahi is missing), and its libusb scheme never claims a KV-71P's
// interface past the hand-over lock.
//
// Opening a device of the scheme only checks its URI: a job reaches the
// printer through its own delivery (UsbJobLink), never through PAPPL's
// device writes.
#pragma once

namespace kv71p::printerapp {

// Call once, before anything lists or opens devices.
void RegisterDeviceScheme();

}  // namespace kv71p::printerapp
