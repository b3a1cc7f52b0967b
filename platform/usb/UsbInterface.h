// One interface of an attached printer, opened by its holder: the handle
// the service's worker and its information-file writer share.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/usb/UsbTypes.h"

namespace kv71p {

class UsbInterface {
 public:
  virtual ~UsbInterface() = default;
  UsbInterface(const UsbInterface&) = delete;
  UsbInterface& operator=(const UsbInterface&) = delete;

  const UsbInterfaceInfo& Info() const { return info_; }

  // Opens the interface for this holder: the first open claims it (the
  // kernel's printer driver is detached first); later opens by the same
  // holder only count. An interface claimed by another holder, another
  // process's print job for example, is never taken over: the open fails
  // with kUsbErrorBusy.
  int OpenSeize();
  // Matches one OpenSeize; the last close releases the claim.
  int Close();
  int OpenCount() const;

  int GetConfigurationValue(uint8_t* value) const;
  int GetInterfaceNumber(uint8_t* number) const;

  // A control request on the default pipe addressed to this interface.
  // `lengthDone` receives the bytes transferred. Needs the interface open.
  int ControlRequest(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                     unsigned char* data, uint16_t length, int* lengthDone, unsigned timeoutMs);

  // One bulk transfer on pipe kUsbPipeOut / kUsbPipeIn. `transferred`
  // receives the bytes moved, also when the transfer ended by time-out
  // (result kUsbErrorTimeout). Needs the interface open.
  int BulkWrite(uint8_t pipe, const unsigned char* data, int count, int* transferred,
                unsigned timeoutMs);
  int BulkRead(uint8_t pipe, unsigned char* data, int count, int* transferred,
               unsigned timeoutMs);

 protected:
  explicit UsbInterface(const UsbInterfaceInfo& info) : info_(info) {}

  virtual int Claim() = 0;
  virtual int Release() = 0;
  virtual int DoControl(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                        unsigned char* data, uint16_t length, int* lengthDone,
                        unsigned timeoutMs) = 0;
  virtual int DoBulkOut(uint8_t endpoint, const unsigned char* data, int count,
                        int* transferred, unsigned timeoutMs) = 0;
  virtual int DoBulkIn(uint8_t endpoint, unsigned char* data, int count, int* transferred,
                       unsigned timeoutMs) = 0;

 private:
  bool IsOpen() const;

  UsbInterfaceInfo info_;
  mutable std::mutex mutex_;
  int opens_ = 0;
};

}  // namespace kv71p
