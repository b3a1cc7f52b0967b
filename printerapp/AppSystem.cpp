#include "printerapp/AppSystem.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "printerapp/Kv71pDriver.h"
#include "printerapp/PrinterApp.h"

namespace kv71p::printerapp {

namespace {

constexpr char kSystemName[] = "KV-71P Printer Application";
constexpr char kAppName[] = "kv71p-printer-app";

struct LogLevelName {
  const char* name;
  pappl_loglevel_t level;
};
constexpr LogLevelName kLogLevels[] = {
    {"fatal", PAPPL_LOGLEVEL_FATAL}, {"error", PAPPL_LOGLEVEL_ERROR}, {"warn", PAPPL_LOGLEVEL_WARN},
    {"info", PAPPL_LOGLEVEL_INFO},   {"debug", PAPPL_LOGLEVEL_DEBUG},
};

const char* Option(const char* name, int numOptions, cups_option_t* options) {
  return cupsGetOption(name, numOptions, options);
}

// The folder of the state file, as the header describes.
std::string StateDirectory(int numOptions, cups_option_t* options) {
  if (const char* dir = Option("state-directory", numOptions, options)) return dir;
  if (const char* snap = getenv("SNAP_COMMON")) return snap;
  if (getuid() == 0) return std::string("/var/lib/") + kAppName;
  if (const char* config = getenv("XDG_CONFIG_HOME")) return std::string(config) + "/" + kAppName;
  if (const char* home = getenv("HOME")) return std::string(home) + "/.config/" + kAppName;
  return std::string(papplGetTempDir()) + "/" + kAppName + std::to_string(getuid());
}

// The port option, 0 when it is not a port number.
int PortOf(const char* text) {
  if (text == nullptr) return KV71P_PRINTER_APP_PORT;
  char* end = nullptr;
  errno = 0;
  const long port = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && errno == 0 && port > 0 && port < 65536 ? static_cast<int>(port) : 0;
}

bool SaveState(pappl_system_t* system, void* stateFile) {
  return papplSystemSaveState(system, static_cast<const char*>(stateFile));
}

pappl_loglevel_t LogLevelOf(const char* text) {
  for (const LogLevelName& l : kLogLevels)
    if (text != nullptr && std::strcmp(text, l.name) == 0) return l.level;
  return PAPPL_LOGLEVEL_WARN;
}

}  // namespace

pappl_system_t* CreateSystem(int numOptions, cups_option_t* options, void* data) {
  // The state file's path stays with the save callback for the server's life.
  static std::string stateFile;
  const std::string stateDir = StateDirectory(numOptions, options);
  const char* spool = Option("spool-directory", numOptions, options);
  const std::string spoolDir = spool != nullptr ? spool : stateDir + "/spool";
  std::error_code error;
  std::filesystem::create_directories(stateDir, error);
  if (error) {
    fprintf(stderr, "%s: cannot create the state folder %s: %s\n", kAppName, stateDir.c_str(), error.message().c_str());
    return nullptr;
  }
  const int port = PortOf(Option("server-port", numOptions, options));
  if (port == 0) {
    fprintf(stderr, "%s: bad server-port value\n", kAppName);
    return nullptr;
  }
  const char* logFile = Option("log-file", numOptions, options);
  const bool privateServer = Option("private-server", numOptions, options) != nullptr;
  const char* listen = Option("listen-hostname", numOptions, options);
  if (listen == nullptr) listen = "localhost";
  // A server that only this machine reaches needs no TLS (and then does not
  // offer it: its URIs and their security agree).
  pappl_soptions_t serverOptions = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE;
  if (privateServer || std::strcmp(listen, "localhost") == 0) serverOptions |= PAPPL_SOPTIONS_NO_TLS;

  pappl_system_t* system =
      papplSystemCreate(serverOptions, kSystemName, port, "_print,_universal", spoolDir.c_str(),
                        logFile != nullptr ? logFile : "-", LogLevelOf(Option("log-level", numOptions, options)),
                        Option("auth-service", numOptions, options), false);
  if (system == nullptr) return nullptr;
  // PAPPL 1.3.1 locks up when it rotates its log (it logs the new log's
  // first line while holding the log's lock): the log is never rotated.
  // The journal or logrotate keeps its size.
  papplSystemSetMaxLogSize(system, 0);
  if (const char* group = Option("admin-group", numOptions, options)) papplSystemSetAdminGroup(system, group);
  if (const char* host = Option("server-hostname", numOptions, options)) papplSystemSetHostName(system, host);
  // PAPPL's mainloop makes a system for "drivers" too, while the server
  // may hold the port: like PAPPL's own system, a port that cannot be
  // taken is logged and the system goes on.
  if (!privateServer) papplSystemAddListeners(system, std::strcmp(listen, "*") == 0 ? nullptr : listen);

  // The drivers first: the saved state names printers by their driver.
  auto* app = static_cast<PrinterApp*>(data);
  papplSystemSetPrinterDrivers(system, kDriverCount, kDrivers, DriverOfDevice, nullptr, FillDriverData,
                               &app->registry());
  app->AttachTo(system);
  stateFile = stateDir + "/" + kAppName + ".state";
  papplSystemLoadState(system, stateFile.c_str());
  papplSystemSetSaveCallback(system, SaveState, stateFile.data());
  return system;
}

}  // namespace kv71p::printerapp
