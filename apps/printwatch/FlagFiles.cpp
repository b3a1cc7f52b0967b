#include "apps/printwatch/FlagFiles.h"

#include <unistd.h>

#include <cstdio>

#include "common/CacheFolder.h"
#include "common/SafeFile.h"

namespace kv71p::printwatch {

namespace {

const char* FlagFormat(FlagFile flag) {
  switch (flag) {
    case FlagFile::Window:
      return "%s/%s_%s_UTIL";
    case FlagFile::Start:
      return "%s/%s_%s_START_UTIL";
    case FlagFile::TotalCountRefresh:
      return "%s/%s_%s_TC_UTIL";
  }
  return "%s/%s_%s_UTIL";
}

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

std::string InfoFilePath(const std::string& serialNo) {
  return CacheFolder() + "/" + kModelName + "_" + serialNo + ".log";
}

bool FlagFilePath(FlagFile flag, const std::string& serialNo, std::string* path) {
  char buffer[kFlagPathBufferSize];
  const int n = std::snprintf(buffer, sizeof buffer, FlagFormat(flag), CacheFolder().c_str(),
                              kModelName, serialNo.c_str());
  if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) return false;
  *path = buffer;
  return true;
}

bool CreateFlagFile(FlagFile flag, const std::string& serialNo) {
  std::string folder, name;
  if (!CheckedFlagPath(flag, serialNo, &folder, &name)) return false;
  return CreateEmptyFile(folder, name, 0666) == 0;
}

bool RemoveFlagFile(FlagFile flag, const std::string& serialNo) {
  std::string folder, name;
  if (!CheckedFlagPath(flag, serialNo, &folder, &name)) return false;
  return unlink((folder + "/" + name).c_str()) == 0;
}

}  // namespace kv71p::printwatch
