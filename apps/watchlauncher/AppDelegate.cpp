#include "apps/watchlauncher/AppDelegate.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "apps/watchlauncher/DetachedLaunch.h"
#include "apps/watchlauncher/PrinterName.h"
#include "apps/watchlauncher/ResourceFolder.h"
#include "common/DeviceUri.h"
#include "common/PrinterFiles.h"
#include "platform/cups/CupsDestinations.h"

namespace kv71p::watchlauncher {

namespace {

// True when anything sits at the serial number's window flag path. A path
// too long for the window's flag buffer never holds a flag (the window
// makes none), so it counts as absent.
bool WindowFlagPresent(const std::string& serialNo) {
  std::string path;
  if (!FlagFilePath(FlagFile::WindowOpen, serialNo, &path)) return false;
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The printer name for the window: the print system's name of the printer
// with the queue's device URI; when no printer gives one (or the list
// cannot be had), the queue's description, else the queue name.
std::string PrinterNameOf(const cups_dest_t& dest, const std::string& uri) {
  std::vector<CupsDestination> printers;
  std::string name;
  if (ListCupsDestinations(&printers) && PrinterNameForDeviceUri(printers, uri, &name)) {
    return name;
  }
  const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
  if (info != nullptr && *info != '\0') return info;
  return dest.name;
}

}  // namespace

int LaunchExitStatus(LaunchOutcome outcome) {
  switch (outcome) {
    case LaunchOutcome::Started:
    case LaunchOutcome::WindowAlreadyOpen:
      return 0;
    case LaunchOutcome::NoQueue:
      return 1;
    case LaunchOutcome::CannotStart:
      return 2;
  }
  return 1;
}

LaunchOutcome StartStatusWindow(const std::string& resourceFolder, const std::string& serialNo,
                                const std::string& printerName) {
  if (WindowFlagPresent(serialNo)) return LaunchOutcome::WindowAlreadyOpen;

  // Without its own folder the launcher has no launch path at all.
  const std::string path = resourceFolder.empty() ? std::string() : LaunchPath(resourceFolder);
  int error = !path.empty() && IsExecutableFile(path) ? 0 : ENOENT;
  if (error == 0) error = LaunchDetached(path, {serialNo, printerName});
  if (error != 0) {
    std::fprintf(stderr, "Watchlauncher: cannot start the status window %s: %s\n", path.c_str(),
                 error == ENOENT ? "no program there" : std::strerror(error));
    return LaunchOutcome::CannotStart;
  }
  return LaunchOutcome::Started;
}

int StartWindowForQueue(void* search, unsigned /*flags*/, cups_dest_t* dest) {
  QueueSearch* queueSearch = static_cast<QueueSearch*>(search);
  const char* uri = cupsGetOption("device-uri", dest->num_options, dest->options);
  if (uri == nullptr || dest->name == nullptr ||
      std::strcmp(dest->name, queueSearch->queue) != 0) {
    return 1;
  }
  std::string serialNo;
  if (!SerialNumberOfDeviceUri(uri, &serialNo)) return 1;

  queueSearch->outcome =
      StartStatusWindow(queueSearch->resourceFolder, serialNo, PrinterNameOf(*dest, uri));
  return 0;
}

LaunchOutcome AppDelegate::applicationDidFinishLaunching(const char* queue) {
  if (queue == nullptr) return LaunchOutcome::NoQueue;
  QueueSearch search;
  search.queue = queue;
  search.resourceFolder = ResourceFolder();
  EnumerateQueues(StartWindowForQueue, &search);
  return search.outcome;
}

}  // namespace kv71p::watchlauncher
