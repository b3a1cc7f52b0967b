#include "common/KeyValueFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace kv71p {

namespace {

// Opens a regular file for reading. A FIFO or device planted in the shared
// cache folder must not block or feed the reader, so the open does not wait
// and anything but a regular file is refused.
FILE* OpenRegularFile(const char* path) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* f = fdopen(fd, "r");
  if (f == nullptr) close(fd);
  return f;
}

}  // namespace

bool FindKeyValue(const char* path, const char* key, std::string* value) {
  if (path == nullptr || key == nullptr) return false;
  FILE* f = OpenRegularFile(path);
  if (f == nullptr) return false;
  char piece[256];
  bool found = false;
  const size_t keyLength = std::strlen(key);
  while (std::fgets(piece, sizeof piece, f) != nullptr) {
    const char* at = std::strstr(piece, key);
    if (at == nullptr) continue;
    std::string result;
    for (const char* p = at + keyLength; *p != '\0'; ++p)
      if (*p != '"' && *p != '\n') result.push_back(*p);
    if (value) *value = std::move(result);
    found = true;
    break;
  }
  std::fclose(f);
  return found;
}

}  // namespace kv71p
