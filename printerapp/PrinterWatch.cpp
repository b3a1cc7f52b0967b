#include "printerapp/PrinterWatch.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "common/Kv71pConfig.h"
#include "delivery/PrinterDiscovery.h"
#include "printerapp/InformationUpkeep.h"

namespace kv71p::printerapp {

namespace {

using Clock = std::chrono::steady_clock;

// The longest wait for bus events between two looks at the stop request,
// and the time between two passes over the attached printers.
constexpr int kStepMs = 250;
constexpr auto kPassInterval = std::chrono::seconds(1);

struct AttachedPrinter {
  std::shared_ptr<UsbDevice> device;
  std::optional<InformationUpkeep> upkeep;  // once identified
  delivery::PrinterIdentity identity;
  bool refused = false;  // no usable serial number: left alone while attached
};

// Asks a printer not identified yet; a new one gets its printer object.
void Identify(AttachedPrinter& printer, const PrinterRegistry& registry,
              const PrinterWatch::AddPrinter& addPrinter) {
  switch (delivery::IdentifyPrinter(*printer.device, &printer.identity, [](const std::string&) {})) {
    case delivery::Identification::Identified:
      printer.upkeep.emplace(printer.identity);
      if (!registry.Has(printer.identity.serialNo)) addPrinter(printer.identity);
      break;
    case delivery::Identification::Refused:
      printer.refused = true;
      break;
    case delivery::Identification::Busy:
      break;
  }
}

}  // namespace

void PrinterWatch::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void PrinterWatch::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void PrinterWatch::Run() {
  std::unique_ptr<UsbBus> bus = CreateUsbBus();
  bool watching = false;
  std::vector<AttachedPrinter> attached;
  Clock::time_point nextPass = Clock::now();
  while (!stop_) {
    if (!watching) watching = bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID) == kUsbSuccess;
    std::vector<UsbEvent> events;
    if (!watching || bus->WaitForEvents(kStepMs, &events) != kUsbSuccess)
      std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    bool arrived = false;
    for (const UsbEvent& event : events) {
      if (event.kind == UsbEventKind::Arrived) {
        attached.push_back({event.device, std::nullopt, {}, false});
        arrived = true;
        continue;
      }
      const auto gone = std::find_if(attached.begin(), attached.end(),
                                     [&](const AttachedPrinter& p) { return p.device->Id() == event.device->Id(); });
      if (gone == attached.end()) continue;
      if (gone->upkeep && registry_.Has(gone->identity.serialNo)) gone->upkeep->Left();
      attached.erase(gone);
    }
    if (!arrived && Clock::now() < nextPass) continue;
    nextPass = Clock::now() + kPassInterval;
    for (AttachedPrinter& printer : attached) {
      if (stop_) break;
      if (!printer.upkeep && !printer.refused) Identify(printer, registry_, addPrinter_);
      if (printer.upkeep && registry_.Has(printer.identity.serialNo)) printer.upkeep->Pass(*printer.device);
    }
  }
}

}  // namespace kv71p::printerapp
