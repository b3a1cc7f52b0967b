// The printer application's own parts beside PAPPL's system, made by main
// and outliving the system: the registry of its USB printers, and the bus
// watch that gives arriving printers their printer objects. The watch
// starts once the server runs (not for sub-commands that only make a
// system, as "drivers" does) and stops after the server has ended.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "printerapp/PrinterRegistry.h"
#include "printerapp/PrinterWatch.h"

namespace kv71p::printerapp {

class PrinterApp {
 public:
  // `programPath` is argv[0]: PAPPL's mainloop names the server's control
  // socket after its last part.
  explicit PrinterApp(const std::string& programPath);

  PrinterRegistry& registry() { return registry_; }

  // Called with the new system: starts the watch (and takes note of
  // shutdown signals) from the server's first turn.
  void AttachTo(pappl_system_t* system);

  // The control socket of this user's server, where PAPPL's mainloop puts it.
  const std::string& controlSocket() const { return controlSocket_; }

 private:
  static bool StartWatch(pappl_system_t* system, void* app);

  std::string controlSocket_;
  bool watchStarted_ = false;
  PrinterRegistry registry_;
  PrinterWatch watch_;
};

}  // namespace kv71p::printerapp
