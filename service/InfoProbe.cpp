// kv71p-infoprobe: watches the USB bus (or the emulator named by
// KV71P_USB_EMULATOR) for KV-71P printers; for each printer that arrives it
// reads the serial number, writes the printer's information file into the
// cache folder and prints it; for each that leaves it writes the
// placeholder file. A test and demonstration program of the service's
// transport, queries and information file.
//
//   kv71p-infoprobe [--model NAME] [--once]
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "common/CacheFolder.h"
#include "common/Kv71pConfig.h"
#include "common/PrinterFiles.h"
#include "platform/usb/UsbBus.h"
#include "service/FlagFileScan.h"
#include "service/InformationFile.h"
#include "service/StatusQueries.h"

using namespace kv71p;
using namespace kv71p::service;

namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

void ShowFile(const std::string& serialNo) {
  const std::string path = kv71p::CacheFilePath(InformationFileName(serialNo));
  std::printf("wrote %s\n", path.c_str());
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, f)) std::printf("  %s", line);
    std::fclose(f);
  }
  std::fflush(stdout);
}

// One pass over the printer: every interface, serial number, file.
bool Probe(kv71p::UsbDevice& device, const std::string& model, std::string* serial) {
  const int r = device.OpenSeize();
  if (r != kv71p::kUsbSuccess) {
    std::printf("cannot open the printer: %s\n", kv71p::UsbResultName(r));
    return false;
  }
  std::vector<std::unique_ptr<kv71p::UsbInterface>> interfaces;
  device.GetInterfaces(&interfaces);
  bool wrote = false;
  for (auto& itf : interfaces) {
    if (itf->OpenSeize() != kv71p::kUsbSuccess) continue;
    char serialNo[kSerialSize];
    SerialRefusal refusal = SerialRefusal::None;
    if (GetSerialNo(itf.get(), serialNo, sizeof serialNo, TransferTimeouts(), &refusal) >= 0) {
      std::printf("serial %s\n", serialNo);
      // Ask for the total count as a refresh request from the window does.
      const uint32_t flags = ScanFlagFiles(serialNo) | FlagBit(FlagFile::WindowTotalCount);
      WriteInformationFile(itf.get(), serialNo, model, flags);
      ShowFile(serialNo);
      *serial = serialNo;
      wrote = true;
    } else if (refusal != SerialRefusal::None) {
      std::printf("the serial number was refused: %s\n", SerialRefusalText(refusal));
    } else {
      std::printf("the serial number could not be read\n");
    }
    itf->Close();
  }
  device.Close();
  return wrote;
}

}  // namespace

int main(int argc, char** argv) {
  std::string model = "KV-71P";
  bool once = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--model") == 0 && i + 1 < argc) {
      model = argv[++i];
    } else if (std::strcmp(argv[i], "--once") == 0) {
      once = true;
    } else {
      std::fprintf(stderr, "usage: kv71p-infoprobe [--model NAME] [--once]\n");
      return 2;
    }
  }
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<kv71p::UsbBus> bus = kv71p::CreateUsbBus();
  const int r = bus->StartWatching(KV71P_USB_VENDOR_ID, KV71P_USB_PRODUCT_ID);
  if (r != kv71p::kUsbSuccess) {
    std::fprintf(stderr, "kv71p-infoprobe: cannot watch the bus: %s\n", kv71p::UsbResultName(r));
    return 1;
  }
  std::printf("watching for printers (cache folder %s)\n", kv71p::CacheFolder().c_str());
  std::fflush(stdout);
  std::map<uint64_t, std::string> serials;
  while (!gStop) {
    std::vector<kv71p::UsbEvent> events;
    bus->WaitForEvents(200, &events);
    for (auto& event : events) {
      if (event.kind == kv71p::UsbEventKind::Arrived) {
        std::printf("printer %llu arrived\n", static_cast<unsigned long long>(event.device->Id()));
        std::string serial;
        if (Probe(*event.device, model, &serial)) {
          serials[event.device->Id()] = serial;
          if (once) return 0;
        }
      } else {
        std::printf("printer %llu left\n", static_cast<unsigned long long>(event.device->Id()));
        auto it = serials.find(event.device->Id());
        if (it != serials.end()) {
          WritePlaceholderFile(it->second);
          ShowFile(it->second);
          serials.erase(it);
        }
      }
      std::fflush(stdout);
    }
  }
  return 0;
}
