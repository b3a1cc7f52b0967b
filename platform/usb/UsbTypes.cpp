#include "platform/usb/UsbTypes.h"

namespace kv71p {

const char* UsbResultName(int result) {
  switch (result) {
    case kUsbSuccess: return "success";
    case kUsbErrorIo: return "io";
    case kUsbErrorInvalidParam: return "invalid-param";
    case kUsbErrorAccess: return "access";
    case kUsbErrorNoDevice: return "no-device";
    case kUsbErrorNotFound: return "not-found";
    case kUsbErrorBusy: return "busy";
    case kUsbErrorTimeout: return "timeout";
    case kUsbErrorOverflow: return "overflow";
    case kUsbErrorPipe: return "pipe";
    case kUsbErrorInterrupted: return "interrupted";
    case kUsbErrorNoMemory: return "no-memory";
    case kUsbErrorNotSupported: return "not-supported";
    default: return "other";
  }
}

bool FindPipeEndpoint(const UsbInterfaceInfo& info, uint8_t pipe, uint8_t* endpoint) {
  bool wantIn;
  if (pipe == kUsbPipeOut)
    wantIn = false;
  else if (pipe == kUsbPipeIn)
    wantIn = true;
  else
    return false;
  for (const UsbEndpointInfo& e : info.endpoints) {
    if ((e.attributes & kUsbTransferTypeMask) != kUsbTransferTypeBulk) continue;
    if (((e.address & kUsbEndpointDirIn) != 0) != wantIn) continue;
    *endpoint = e.address;
    return true;
  }
  return false;
}

}  // namespace kv71p
