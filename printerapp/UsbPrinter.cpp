#include "printerapp/UsbPrinter.h"

#include "common/Kv71pConfig.h"
#include "delivery/PrinterLock.h"
#include "service/StatusQueries.h"

namespace kv71p::printerapp {

namespace {

// A reading answers a client that waits for it: a printer that answers
// answers within milliseconds.
const service::TransferTimeouts kIdleTimeouts{1000, 1000};

// One look, no waiting: a refusal counts at once.
delivery::LinkSettings IdleLinkSettings() {
  delivery::LinkSettings settings;
  settings.refusedLooks = 1;
  return settings;
}

// The link's observer for an idle reading: nothing to cancel, nothing to tell.
class QuietObserver : public delivery::DeliveryObserver {
 public:
  bool CancelRequested() override { return false; }
};

}  // namespace

UsbPrinter::UsbPrinter(std::string serialNo, PrinterRegistry& registry)
    : serialNo_(std::move(serialNo)),
      registry_(registry),
      link_(CreateUsbBus(), serialNo_, KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID, IdleLinkSettings()) {
  registry_.Add(serialNo_);
}

UsbPrinter::~UsbPrinter() { registry_.Remove(serialNo_); }

IdleReading UsbPrinter::ReadWhenIdle(PrinterReading* reading) {
  std::unique_lock<std::mutex> inUse(reading_, std::try_to_lock);
  if (!inUse.owns_lock()) return IdleReading::Skipped;
  // An unusable lock folder leaves the claim alone to keep holders apart.
  delivery::PrinterLock lock(serialNo_);
  if (lock.TryTake() == delivery::LockAttempt::HeldElsewhere) return IdleReading::Skipped;
  QuietObserver quiet;
  if (link_.Connect(std::chrono::milliseconds(0), quiet) != delivery::LinkResult::Connected)
    return IdleReading::Absent;
  // The status first: a printer that does not answer it is not asked the
  // rest, each query of which would wait for it in vain.
  const bool read = service::GetStatus(link_.interface(), kIdleTimeouts) != service::kStatusQueryFailed &&
                    ReadPrinter(link_.interface(), serialNo_, link_.identity().model, kIdleTimeouts, reading);
  link_.Drop();
  return read ? IdleReading::Read : IdleReading::Absent;
}

}  // namespace kv71p::printerapp
