// While a job holds the printer the status service leaves it alone, its
// information file included; the job answers the flag files itself with the
// service's writer, so an open status window keeps showing the printer
// (printing, the prints left going down, a paper end).
#pragma once

#include <chrono>
#include <string>

#include "platform/usb/UsbInterface.h"
#include "service/UsbTransport.h"

namespace kv71p::delivery {

class InformationRefresh {
 public:
  InformationRefresh(std::string serialNo, std::chrono::milliseconds interval)
      : serialNo_(std::move(serialNo)), interval_(interval) {}

  // At most once per interval: scans the printer's flag files (taking the
  // one-shot ones) and rewrites its information file when a flag asks for it.
  void RefreshIfAsked(UsbInterface* interface, const std::string& model,
                      const service::TransferTimeouts& timeouts);

 private:
  std::string serialNo_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace kv71p::delivery
