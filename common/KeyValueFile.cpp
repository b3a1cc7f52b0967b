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

bool FindKeyValues(const char* path, const std::vector<std::string>& keys,
                   std::vector<std::optional<std::string>>* values) {
  values->assign(keys.size(), std::nullopt);
  if (path == nullptr) return false;
  FILE* f = OpenRegularFile(path);
  if (f == nullptr) return false;
  char piece[256];
  size_t missing = keys.size();
  while (missing > 0 && std::fgets(piece, sizeof piece, f) != nullptr) {
    for (size_t k = 0; k < keys.size(); ++k) {
      const char* at = (*values)[k] ? nullptr : std::strstr(piece, keys[k].c_str());
      if (at == nullptr) continue;
      std::string result;
      for (const char* p = at + keys[k].size(); *p != '\0'; ++p)
        if (*p != '"' && *p != '\n') result.push_back(*p);
      (*values)[k] = std::move(result);
      --missing;
    }
  }
  std::fclose(f);
  return true;
}

bool FindKeyValue(const char* path, const char* key, std::string* value) {
  if (key == nullptr) return false;
  std::vector<std::optional<std::string>> values;
  if (!FindKeyValues(path, {key}, &values) || !values[0]) return false;
  if (value != nullptr) *value = std::move(*values[0]);
  return true;
}

}  // namespace kv71p
