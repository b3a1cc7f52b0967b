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

// Creates a folder and gives it mode 0777. The mode is set through a
// descriptor opened without following links, so a link planted at the path
// after the creation is never followed.
bool MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) != 0) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    fchmod(fd, 0777);
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

}  // namespace kv71p

void CheckAndMake_CacheFolder() {
  const std::string maker = kv71p::MakerFolder();
  if (!kv71p::Exists(maker) && !kv71p::MakeFolder(maker)) return;
  CheckAndMake_CacheSubFolder();
}

void CheckAndMake_CacheSubFolder() {
  const std::string model = kv71p::CacheFolder();
  if (!kv71p::Exists(model)) kv71p::MakeFolder(model);
}
