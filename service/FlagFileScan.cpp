#include "service/FlagFileScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <iterator>

#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"

namespace kv71p::service {

namespace {

// The model folder, opened without following a link, as a directory stream.
class FolderStream {
 public:
  explicit FolderStream(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    dir_ = fdopendir(fd);
    if (dir_ == nullptr) close(fd);
  }
  ~FolderStream() {
    if (dir_ != nullptr) closedir(dir_);
  }
  FolderStream(const FolderStream&) = delete;
  FolderStream& operator=(const FolderStream&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_ = nullptr;
};

}  // namespace

uint32_t ScanFlagFiles(const std::string& serialNo) {
  std::string names[std::size(kFlagFileRules)];
  for (size_t i = 0; i < std::size(kFlagFileRules); ++i)
    names[i] = FlagFileName(kFlagFileRules[i].flag, serialNo);

  FolderStream folder(CacheFolder());
  if (folder.get() == nullptr) return 0;
  uint32_t bits = 0;
  while (const dirent* entry = readdir(folder.get())) {
    for (size_t i = 0; i < std::size(kFlagFileRules); ++i) {
      if (std::strncmp(entry->d_name, names[i].c_str(), names[i].size()) != 0) continue;
      bits |= FlagBit(kFlagFileRules[i].flag);
      // Only the file of exactly the flag's name goes; unlinking never
      // follows a link.
      if (kFlagFileRules[i].oneShot) unlinkat(dirfd(folder.get()), names[i].c_str(), 0);
    }
  }
  return bits;
}

}  // namespace kv71p::service
