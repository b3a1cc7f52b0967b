#include "backend/PerJobFile.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "common/SafeFile.h"

namespace kv71p::backend {

namespace {

// Root writes it, the filter (user lp) reads it.
constexpr mode_t kPerJobFileMode = 0644;

}  // namespace

PerJobFile::PerJobFile(std::string jobId) : name_(PerJobFileName(jobId)) { Remove(); }

PerJobFile::~PerJobFile() { Remove(); }

bool PerJobFile::Write(const std::string& text) {
  CheckAndMake_CacheFolder();
  return WriteWholeFile(CacheFolder(), name_, text, kPerJobFileMode, WriteMode::Atomic) == 0;
}

void PerJobFile::Remove() {
  // Relative to the folder opened without following a link; unlinking never
  // follows one either.
  FileDescriptor folder(
      open(CacheFolder().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (folder.get() >= 0) unlinkat(folder.get(), name_.c_str(), 0);
}

}  // namespace kv71p::backend
