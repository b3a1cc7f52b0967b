#include "apps/printwatch/FlagFiles.h"

#include <unistd.h>

#include "common/CacheFolder.h"
#include "common/SafeFile.h"

namespace kv71p::printwatch {

namespace {

// The flag's path when it fits and names a file directly in the cache
// folder.
bool CheckedFlagPath(FlagFile flag, const std::string& serialNo, std::string* folder,
                     std::string* name) {
  std::string path;
  if (!FlagFilePath(flag, serialNo, &path)) return false;
  if (!SplitPath(path, folder, name)) return false;
  return *folder == CacheFolder();
}

}  // namespace

bool CreateFlagFile(FlagFile flag, const std::string& serialNo) {
  std::string folder, name;
  if (!CheckedFlagPath(flag, serialNo, &folder, &name)) return false;
  return CreateFileOnce(folder, name, 0666) == 0;
}

bool RemoveFlagFile(FlagFile flag, const std::string& serialNo) {
  std::string folder, name;
  if (!CheckedFlagPath(flag, serialNo, &folder, &name)) return false;
  return unlink((folder + "/" + name).c_str()) == 0;
}

}  // namespace kv71p::printwatch
