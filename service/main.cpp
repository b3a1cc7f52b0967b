// infokv71p: the KV-71P status service. It watches the USB bus for the
// printer (or the printer emulator named by KV71P_USB_EMULATOR), keeps one
// worker per attached printer that reads its serial number and model name,
// creates a CUPS queue for every new printer and refreshes the printer's
// information file in the cache folder whenever a flag file asks for it.
//
// Runs until it receives SIGINT or SIGTERM, which end it at once with
// status 0. Messages go to standard output, one line each.
//
// Test hook: KV71P_QUEUE_RETRY_SECONDS (a positive number) replaces the
// minute a printer's queue registration waits after a failed lpadmin.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/CacheFolder.h"
#include "common/Kv71pConfig.h"
#include "common/TextHelpers.h"
#include "platform/usb/UsbBus.h"
#include "service/PrinterTable.h"
#include "service/PrinterWorker.h"

namespace {

constexpr int kBusWaitMs = 1000;

kv71p::service::WorkerSettings SettingsFromEnvironment() {
  kv71p::service::WorkerSettings settings;
  const int retry = kv71p::ParseInt(std::getenv("KV71P_QUEUE_RETRY_SECONDS"));
  if (retry > 0) settings.queueRetry = std::chrono::seconds(retry);
  return settings;
}

// Ends the process at once with status 0, leaving the information files
// as they are. Only async-signal-safe calls: standard output is line
// buffered, so every message is already out.
void SignalHandler(int /*signal*/) { _exit(0); }

}  // namespace

int main() {
  // A journal or a log file sees each line as it is printed.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  // SIGINT by hand, SIGTERM from the service manager when it stops us.
  signal(SIGINT, SignalHandler);
  signal(SIGTERM, SignalHandler);

  kv71p::CheckAndMake_CacheFolder();

  std::unique_ptr<kv71p::UsbBus> bus = kv71p::CreateUsbBus();
  const int r = bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID);
  if (r != kv71p::kUsbSuccess) {
    std::printf("main: unable to watch the USB bus. ret = %08x\n", static_cast<unsigned>(r));
    return -1;
  }
  const kv71p::service::WorkerSettings settings = SettingsFromEnvironment();
  kv71p::service::PrinterTable printers([settings](kv71p::service::PrinterRecord* record) {
    kv71p::service::RunPrinterWorker(record, settings);
  });
  // Printers attached before the start arrive with the first wait.
  for (;;) {
    std::vector<kv71p::UsbEvent> events;
    if (bus->WaitForEvents(kBusWaitMs, &events) != kv71p::kUsbSuccess) sleep(1);
    printers.HandleBusEvents(events);
  }
}
