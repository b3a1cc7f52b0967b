// The USB link to the one printer a job prints on, known by its serial
// number: finds it on the bus, opens it and claims its printer interface,
// and finds it again after it was unplugged or stopped answering.
//
// The bus tells printers apart only by asking them. A printer whose serial
// number is not known yet is opened for the serial-number query alone, and
// released at once when it is another printer; it is not asked again while
// it stays attached. Only the printer with the wanted serial number is kept
// open and sent anything else.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "delivery/DeliveryObserver.h"
#include "platform/usb/UsbBus.h"
#include "service/UsbTransport.h"

namespace kv71p::delivery {

struct LinkSettings {
  // Between two looks for a printer that is not there.
  std::chrono::milliseconds probeInterval{5000};
  // Looks in a row at which a printer refused to be opened before the link
  // gives up (LinkResult::Refused), and the pause between them.
  int refusedLooks = 3;
  std::chrono::milliseconds refusedRetry{1000};
  // Time-outs of the serial-number query to a printer not known yet.
  service::TransferTimeouts probeTimeouts{1000, 3000};
  // The longest wait for bus events between two looks at the cancel request.
  std::chrono::milliseconds step{100};
};

// The printer interface of a printer's interfaces: the first with a bulk
// OUT and a bulk IN pipe; null when none has both.
UsbInterface* FindPrinterInterface(const std::vector<std::unique_ptr<UsbInterface>>& interfaces);

// The device ID and its model name, read from the claimed `interface`
// (both empty when the printer gives none).
void ReadDeviceIdentity(UsbInterface* interface, PrinterIdentity* identity);

enum class LinkResult {
  Connected,  // the printer is open and its interface claimed
  Absent,     // it did not come within the bound
  Refused,    // a printer on the bus refused to be opened, look after look
  Cancelled,  // the observer asked to stop
};

class PrinterLink {
 public:
  // Looks for the printer with `serialNo` (the suite's form) among the
  // printers with this vendor and product id on `bus`.
  PrinterLink(std::unique_ptr<UsbBus> bus, std::string serialNo, uint16_t vendorId,
              uint16_t productId, LinkSettings settings = LinkSettings());
  ~PrinterLink();
  PrinterLink(const PrinterLink&) = delete;
  PrinterLink& operator=(const PrinterLink&) = delete;

  // Looks for the printer for up to `bound` (one look at least) and opens
  // it. The observer hears of the first wait and of the connection. A
  // printer that refuses to be opened is looked at again after a second,
  // also past the bound, until the refusals end or reach their limit.
  LinkResult Connect(std::chrono::milliseconds bound, DeliveryObserver& observer);
  // Lets the printer go after a failure (its claim ends, so the printer
  // drops what it received of an unfinished print); Connect looks for it
  // again, the same device first while it stays attached.
  void Drop();

  bool connected() const { return interface_ != nullptr; }
  // The claimed printer interface; null unless connected.
  UsbInterface* interface() const { return interface_; }
  // The printer last opened.
  const PrinterIdentity& identity() const { return identity_; }
  // The bus's id of the device the printer was last found on (0 before
  // the first find, and once that device has left the bus).
  uint64_t deviceId() const { return ourDevice_; }

 private:
  enum class Look { Found, Refused, NotFound };

  // Takes the bus's arrivals and removals, waiting up to `waitMs` for them.
  void TakeBusEvents(int waitMs);
  Look LookForPrinter();
  // Opens `device` and asks its serial number; keeps it when it is ours.
  Look Probe(const std::shared_ptr<UsbDevice>& device);

  std::unique_ptr<UsbBus> bus_;
  uint16_t vendorId_, productId_;
  LinkSettings settings_;
  bool watching_ = false;
  std::vector<std::shared_ptr<UsbDevice>> attached_;  // in arrival order
  std::set<uint64_t> otherPrinters_;                  // devices known to be other printers
  uint64_t ourDevice_ = 0;                            // the printer's device id once known
  std::shared_ptr<UsbDevice> device_;                 // open while connected
  std::vector<std::unique_ptr<UsbInterface>> interfaces_;
  UsbInterface* interface_ = nullptr;
  PrinterIdentity identity_;
};

}  // namespace kv71p::delivery
