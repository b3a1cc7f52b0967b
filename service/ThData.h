// The service's record of one attached printer.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/usb/UsbDevice.h"

namespace kv71p::service {

struct thdata {
  pthread_t thread{};                      // the printer's worker, joined on removal
  char model[128] = {};                    // IEEE 1284 model name, at most 127 bytes
  char serialNo[64] = {};                  // serial number in its "%20" form
  std::atomic<uint8_t> stopRequested{0};   // set by the removal handler
  uint8_t modelKnown = 0;
  uint8_t serialKnown = 0;
  uint8_t queueRegistered = 0;
  int32_t flagBits = 0;                    // flag-file bits of the current cycle
  uint64_t service = 0;                    // the bus's id of the device
  std::shared_ptr<kv71p::UsbDevice> device;  // null once the worker released it
};

}  // namespace kv71p::service
