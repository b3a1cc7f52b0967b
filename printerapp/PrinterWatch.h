// The KV-71P printers that come and go on the USB bus while the server
// runs, and those attached at its start. Each arriving printer is asked its
// serial number and device ID (again a second later while another program
// holds it); one the application has no printer object for gets one; the
// information file of every attached printer it has one for is kept
// (InformationUpkeep).
//
// Runs on a thread of its own and touches nothing of PAPPL's: the server may
// be torn down before the watch stops. Printer objects are asked of the
// server over its control socket.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "delivery/DeliveryObserver.h"
#include "printerapp/PrinterRegistry.h"

namespace kv71p::printerapp {

class PrinterWatch {
 public:
  // Makes a printer object for a printer that arrived.
  using AddPrinter = std::function<void(const delivery::PrinterIdentity&)>;

  PrinterWatch(const PrinterRegistry& registry, AddPrinter addPrinter)
      : registry_(registry), addPrinter_(std::move(addPrinter)) {}
  ~PrinterWatch() { Stop(); }
  PrinterWatch(const PrinterWatch&) = delete;
  PrinterWatch& operator=(const PrinterWatch&) = delete;

  void Start();
  // Ends the watch; returns once its thread has ended.
  void Stop();

 private:
  void Run();

  const PrinterRegistry& registry_;
  AddPrinter addPrinter_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kv71p::printerapp
