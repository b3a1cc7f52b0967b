#include "printerapp/PrinterApp.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "printerapp/AutoAddRequest.h"
#include "printerapp/ShutdownSignal.h"

namespace kv71p::printerapp {

namespace {

constexpr int kTimerSeconds = 1;

// As PAPPL 1.3.1's mainloop places it: the temporary folder for a user,
// $SNAP_COMMON or /run for root.
std::string ControlSocketOf(const std::string& programPath) {
  const size_t slash = programPath.rfind('/');
  const std::string base = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  if (getuid() != 0) return std::string(papplGetTempDir()) + "/" + base + std::to_string(getuid()) + ".sock";
  if (const char* snap = std::getenv("SNAP_COMMON")) return std::string(snap) + "/" + base + ".sock";
  return "/run/" + base + ".sock";
}

}  // namespace

PrinterApp::PrinterApp(const std::string& programPath)
    : controlSocket_(ControlSocketOf(programPath)),
      watch_(registry_, [this](const delivery::PrinterIdentity& printer) {
        RequestPrinterObject(controlSocket_, printer);
      }) {}

void PrinterApp::AttachTo(pappl_system_t* system) {
  // Timers run only in a running server, this one at once. It stays (PAPPL
  // 1.3.1 frees the timers it holds, not those that ended) and wakes the
  // server's loop every second, which otherwise sleeps up to 30 s before
  // it sees a shutdown request.
  papplSystemAddTimerCallback(system, time(nullptr), kTimerSeconds, StartWatch, this);
}

bool PrinterApp::StartWatch(pappl_system_t*, void* data) {
  auto* app = static_cast<PrinterApp*>(data);
  if (app->watchStarted_) return true;
  app->watchStarted_ = true;
  // The server has put its signal handlers in place by now.
  WatchShutdownSignals();
  app->watch_.Start();
  return true;
}

}  // namespace kv71p::printerapp
