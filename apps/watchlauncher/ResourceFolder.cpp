#include "apps/watchlauncher/ResourceFolder.h"

#include <climits>
#include <cstdlib>
#include <memory>

namespace kv71p::watchlauncher {

std::string ResourceFolder() {
  // The kernel's link to the executable, resolved to its real path.
  std::unique_ptr<char, decltype(&std::free)> path(realpath("/proc/self/exe", nullptr), &std::free);
  if (!path) return {};
  std::string folder(path.get());
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return {};
  folder.resize(slash == 0 ? 1 : slash);
  return folder;
}

std::string LaunchPath(const std::string& resourceFolder) {
  return resourceFolder + "/Printwatch.app/Contents/MacOS/Printwatch";
}

}  // namespace kv71p::watchlauncher
