#include "common/CacheFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/Kv71pConfig.h"

namespace kv71p {

namespace {

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Every user's programs create files in the folders, and the sticky bit
// (as on /tmp) keeps each user's files, and the service's, safe from being
// removed or replaced by another user.
constexpr mode_t kFolderMode = 01777;

// Creates a folder and gives it kFolderMode whatever the umask. The mode is
// set through a descriptor opened without following links, so a link
// planted at the path after the creation is never followed.
bool MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), kFolderMode) != 0) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    fchmod(fd, kFolderMode);
    close(fd);
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string CacheFolder() {
  const char* env = std::getenv("KV71P_CACHE_DIR");
  if (env != nullptr && *env != '\0') return WithoutTrailingSlashes(env);
  return KV71P_CACHE_DIR_DEFAULT;
}

std::string MakerFolder() {
  const std::string model = CacheFolder();
  const size_t slash = model.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return model.substr(0, slash);
}

std::string CacheFilePath(const std::string& name) { return CacheFolder() + "/" + name; }

void CheckAndMake_CacheFolder() {
  const std::string maker = MakerFolder();
  if (!Exists(maker) && !MakeFolder(maker)) return;
  CheckAndMake_CacheSubFolder();
}

void CheckAndMake_CacheSubFolder() {
  const std::string model = CacheFolder();
  if (!Exists(model)) MakeFolder(model);
}

}  // namespace kv71p
