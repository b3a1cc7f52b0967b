#include "delivery/PrinterLink.h"

#include <algorithm>

#include "common/SerialNumber.h"
#include "common/StatusCode.h"
#include "service/DeviceId.h"
#include "service/StatusQueries.h"

namespace kv71p::delivery {

namespace {

using Clock = std::chrono::steady_clock;

// Busy (another holder has it) and gone are no refusal: the printer is
// looked at again.
bool IsRefusal(int usbResult) {
  return usbResult != kUsbSuccess && usbResult != kUsbErrorBusy && usbResult != kUsbErrorNoDevice;
}

}  // namespace

UsbInterface* FindPrinterInterface(const std::vector<std::unique_ptr<UsbInterface>>& interfaces) {
  for (const auto& itf : interfaces) {
    uint8_t endpoint = 0;
    if (FindPipeEndpoint(itf->Info(), kUsbPipeOut, &endpoint) &&
        FindPipeEndpoint(itf->Info(), kUsbPipeIn, &endpoint))
      return itf.get();
  }
  return nullptr;
}

void ReadDeviceIdentity(UsbInterface* interface, PrinterIdentity* identity) {
  uint8_t configuration = 0, number = 0;
  identity->deviceId.clear();
  identity->model.clear();
  if (interface->GetConfigurationValue(&configuration) != kUsbSuccess ||
      interface->GetInterfaceNumber(&number) != kUsbSuccess ||
      !service::ReadDeviceIdText(interface, configuration, number, &identity->deviceId))
    return;
  std::string model;
  // The name ends at a NUL byte, as a C text would.
  if (service::FindModelName(identity->deviceId, &model)) identity->model = model.c_str();
}

PrinterLink::PrinterLink(std::unique_ptr<UsbBus> bus, std::string serialNo, uint16_t vendorId,
                         uint16_t productId, LinkSettings settings)
    : bus_(std::move(bus)), vendorId_(vendorId), productId_(productId), settings_(settings) {
  identity_.serialNo = std::move(serialNo);
}

PrinterLink::~PrinterLink() { Drop(); }

void PrinterLink::Drop() {
  if (interface_ != nullptr)
    while (interface_->OpenCount() > 0) interface_->Close();
  interface_ = nullptr;
  interfaces_.clear();
  if (device_) device_->Close();
  device_.reset();
}

void PrinterLink::TakeBusEvents(int waitMs) {
  if (!watching_) {
    if (bus_->StartWatching(vendorId_, productId_) != kUsbSuccess) return;
    watching_ = true;
  }
  std::vector<UsbEvent> events;
  // The first wait brings the printers attached already; more may follow
  // at once.
  for (int wait = waitMs; bus_->WaitForEvents(wait, &events) == kUsbSuccess && !events.empty();
       wait = 0) {
    for (const UsbEvent& event : events) {
      const uint64_t id = event.device->Id();
      if (event.kind == UsbEventKind::Arrived) {
        attached_.push_back(event.device);
        continue;
      }
      attached_.erase(std::remove_if(attached_.begin(), attached_.end(),
                                     [id](const auto& d) { return d->Id() == id; }),
                      attached_.end());
      otherPrinters_.erase(id);
      if (id == ourDevice_) {
        ourDevice_ = 0;
        Drop();
      }
    }
  }
}

PrinterLink::Look PrinterLink::Probe(const std::shared_ptr<UsbDevice>& device) {
  int r = device->OpenSeize();
  if (r != kUsbSuccess) return IsRefusal(r) ? Look::Refused : Look::NotFound;
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  UsbInterface* itf = nullptr;
  r = device->GetInterfaces(&interfaces);
  if (r == kUsbSuccess) {
    itf = FindPrinterInterface(interfaces);
    r = itf != nullptr ? itf->OpenSeize() : kUsbErrorNotFound;
  }
  if (r != kUsbSuccess) {
    interfaces.clear();
    device->Close();
    return IsRefusal(r) ? Look::Refused : Look::NotFound;
  }
  const bool known = device->Id() == ourDevice_;
  char serial[kSerialSize] = "";
  SerialRefusal refusal = SerialRefusal::None;
  const bool answered = !known && service::GetSerialNo(itf, serial, sizeof serial,
                                                       settings_.probeTimeouts, &refusal) >= 0;
  if (known || (answered && identity_.serialNo == serial)) {
    ourDevice_ = device->Id();
    device_ = device;
    interfaces_ = std::move(interfaces);
    interface_ = itf;
    return Look::Found;
  }
  // Another printer, or one whose serial number is refused (never ours): it
  // is not asked again while it stays attached. One that did not answer is
  // asked again at the next look.
  if (answered || refusal != SerialRefusal::None) otherPrinters_.insert(device->Id());
  while (itf->OpenCount() > 0) itf->Close();
  interfaces.clear();
  device->Close();
  return Look::NotFound;
}

PrinterLink::Look PrinterLink::LookForPrinter() {
  bool refused = false;
  // The printer known from before first, then the others in arrival order.
  std::vector<std::shared_ptr<UsbDevice>> candidates;
  for (const auto& device : attached_)
    if (device->Id() == ourDevice_)
      candidates.insert(candidates.begin(), device);
    else if (otherPrinters_.count(device->Id()) == 0)
      candidates.push_back(device);
  for (const auto& device : candidates) {
    const Look look = Probe(device);
    if (look == Look::Found) return look;
    refused = refused || look == Look::Refused;
  }
  return refused ? Look::Refused : Look::NotFound;
}

LinkResult PrinterLink::Connect(std::chrono::milliseconds bound, DeliveryObserver& observer) {
  if (connected()) return LinkResult::Connected;
  const Clock::time_point deadline = Clock::now() + bound;
  Clock::time_point nextLook = Clock::now();
  int refusedLooks = 0;
  bool waitReported = false;
  // The first wait for events brings the printers attached already; a link
  // that watches the bus already only takes what has come since.
  TakeBusEvents(watching_ ? 0 : static_cast<int>(settings_.step.count()) * 2);
  for (;;) {
    if (observer.CancelRequested()) return LinkResult::Cancelled;
    if (Clock::now() >= nextLook) {
      const Look look = LookForPrinter();
      if (look == Look::Found) {
        ReadDeviceIdentity(interface_, &identity_);
        observer.OnConnected(identity_);
        return LinkResult::Connected;
      }
      refusedLooks = look == Look::Refused ? refusedLooks + 1 : 0;
      if (refusedLooks >= settings_.refusedLooks) return LinkResult::Refused;
      nextLook =
          Clock::now() + (refusedLooks > 0 ? settings_.refusedRetry : settings_.probeInterval);
      if (!waitReported) {
        observer.OnWaiting(
            refusedLooks > 0 ? WaitReason::PrinterRefused : WaitReason::PrinterAbsent,
            kStatusUnknown);
        waitReported = true;
      }
    }
    // A refusal always gets its next look.
    if (refusedLooks == 0 && Clock::now() >= deadline) return LinkResult::Absent;
    TakeBusEvents(static_cast<int>(settings_.step.count()));
  }
}

}  // namespace kv71p::delivery
