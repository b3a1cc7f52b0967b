// An in-memory byte source behind the service's USB interface: bulk IN
// transfers hand out the bytes of a script piece by piece, bulk OUT
// transfers are taken and counted, the control request answers with the
// script's device ID bytes. Everything above the USB layer (transport,
// framing, checks, queries, device ID) runs unchanged on it.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/usb/UsbInterface.h"

namespace kv71p::fuzz {

class MemoryUsbInterface : public kv71p::UsbInterface {
 public:
  // `inBytes`: everything the printer sends on its bulk IN pipe, in order.
  // A bulk IN transfer hands out at most `pieceSize` bytes (0: as many as
  // asked for); once the bytes are used up a transfer ends by time-out
  // with nothing. `controlBytes`: the device ID answer.
  MemoryUsbInterface(std::string inBytes, size_t pieceSize, std::string controlBytes)
      : kv71p::UsbInterface(MakeInfo()),
        in_(std::move(inBytes)),
        piece_(pieceSize),
        control_(std::move(controlBytes)) {}

  size_t bytesWritten() const { return written_; }

 protected:
  int Claim() override { return kv71p::kUsbSuccess; }
  int Release() override { return kv71p::kUsbSuccess; }
  int DoControl(uint8_t, uint8_t, uint16_t, uint16_t, unsigned char* data, uint16_t length,
                int* lengthDone, unsigned) override {
    const size_t n = std::min<size_t>(length, control_.size());
    if (n > 0) std::memcpy(data, control_.data(), n);
    *lengthDone = static_cast<int>(n);
    return kv71p::kUsbSuccess;
  }
  int DoBulkOut(uint8_t, const unsigned char*, int count, int* transferred, unsigned) override {
    written_ += static_cast<size_t>(count);
    *transferred = count;
    return kv71p::kUsbSuccess;
  }
  int DoBulkIn(uint8_t, unsigned char* data, int count, int* transferred, unsigned) override {
    size_t n = std::min<size_t>(static_cast<size_t>(count), in_.size() - pos_);
    if (piece_ > 0) n = std::min(n, piece_);
    if (n > 0) std::memcpy(data, in_.data() + pos_, n);
    pos_ += n;
    *transferred = static_cast<int>(n);
    return n == 0 && count > 0 ? kv71p::kUsbErrorTimeout : kv71p::kUsbSuccess;
  }

 private:
  static kv71p::UsbInterfaceInfo MakeInfo() {
    kv71p::UsbInterfaceInfo info;
    info.interfaceClass = 7;
    info.interfaceSubClass = 1;
    info.interfaceProtocol = 2;
    info.endpoints = {{0x01, kv71p::kUsbTransferTypeBulk}, {0x82, kv71p::kUsbTransferTypeBulk}};
    return info;
  }

  std::string in_;
  size_t pos_ = 0;
  size_t piece_;
  std::string control_;
  size_t written_ = 0;
};

}  // namespace kv71p::fuzz
