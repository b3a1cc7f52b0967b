#include "filter/PerJobValues.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "common/TextHelpers.h"

namespace kv71p::filter {

namespace {

// The per-job file opened for reading when it is a regular file: a FIFO
// or device planted in the shared cache folder must not block the filter.
FILE* OpenRegularFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* file = fdopen(fd, "r");
  if (file == nullptr) close(fd);
  return file;
}

struct WantedValue {
  std::string key;  // "KEY="
  std::string* value;
  bool found = false;
};

}  // namespace

PerJobValues ReadPerJobValues(const std::string& jobId) {
  PerJobValues values;
  std::string remainHalf;
  WantedValue wanted[] = {{std::string(infokey::kMediaSize) + "=", &values.mediaSize},
                          {std::string(infokey::kMediaClass) + "=", &values.mediaClass},
                          {std::string(infokey::kMediaRemainHalf) + "=", &remainHalf}};
  FILE* file = OpenRegularFile(CacheFilePath(PerJobFileName(jobId)));
  if (file == nullptr) return values;
  char piece[256];
  while (std::fgets(piece, sizeof piece, file) != nullptr) {
    for (WantedValue& w : wanted) {
      const char* at = w.found ? nullptr : std::strstr(piece, w.key.c_str());
      if (at == nullptr) continue;
      w.found = true;
      std::string text;
      for (const char* p = at + w.key.size(); *p != '\0'; ++p)
        if (*p != '"' && *p != '\n') text.push_back(*p);
      if (text.size() < kMaxPerJobValueLength) *w.value = text;
    }
  }
  std::fclose(file);
  values.remainHalf = kv71p::ParseInt(remainHalf.c_str());
  return values;
}

}  // namespace kv71p::filter
