#include "delivery/InformationRefresh.h"

#include "service/FlagFileScan.h"
#include "service/InformationFile.h"

namespace kv71p::delivery {

void InformationRefresh::RefreshIfAsked(UsbInterface* interface, const std::string& model,
                                        const service::TransferTimeouts& timeouts) {
  const auto now = std::chrono::steady_clock::now();
  if (interface == nullptr || now - last_ < interval_) return;
  last_ = now;
  const uint32_t flagBits = service::ScanFlagFiles(serialNo_);
  if (flagBits != 0) service::WriteInformationFile(interface, serialNo_, model, flagBits, timeouts);
}

}  // namespace kv71p::delivery
