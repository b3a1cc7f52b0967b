#include "delivery/PrinterLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/Kv71pConfig.h"
#include "common/PrinterFiles.h"
#include "common/SafeFile.h"
#include "common/SerialNumber.h"

namespace kv71p::delivery {

namespace {

constexpr mode_t kFolderMode = 0755;
constexpr mode_t kLockFileMode = 0600;

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Owned by this user or by root, and writable by nobody else.
bool SafeOwner(const struct stat& st, const std::string& what, std::string* failure) {
  if (st.st_uid != geteuid() && st.st_uid != 0) {
    *failure = what + " belongs to another user";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *failure = what + " may be written by others";
    return false;
  }
  return true;
}

// The lock folder, opened without following a link; made first when it is
// missing. -1 with `failure` set when it cannot be used.
int OpenLockFolder(std::string* failure) {
  const std::string folder = LockFolder();
  const bool made = mkdir(folder.c_str(), kFolderMode) == 0;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    *failure = SystemError("lock folder " + folder);
    return -1;
  }
  // The mode whatever the umask.
  if (made) fchmod(fd, kFolderMode);
  struct stat st;
  if (fstat(fd, &st) != 0 || !SafeOwner(st, "lock folder " + folder, failure)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string LockFolder() {
  std::string folder = KV71P_LOCK_DIR_DEFAULT;
  const char* env = std::getenv("KV71P_LOCK_DIR");
  if (env != nullptr && *env != '\0') folder = env;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

PrinterLock::PrinterLock(std::string serialNo) : serialNo_(std::move(serialNo)) {}

PrinterLock::~PrinterLock() { Release(); }

void PrinterLock::Release() {
  if (fd_ < 0) return;
  // Closing the only descriptor of the open file releases the lock.
  close(fd_);
  fd_ = -1;
}

LockAttempt PrinterLock::TryTake() {
  if (fd_ >= 0) return LockAttempt::Taken;
  failure_.clear();
  if (!IsUsableSerialNumber(serialNo_)) {
    failure_ = "the serial number cannot name a lock file";
    return LockAttempt::Unavailable;
  }
  FileDescriptor folder(OpenLockFolder(&failure_));
  if (folder.get() < 0) return LockAttempt::Unavailable;
  const std::string name = std::string(kModelName) + "_" + serialNo_ + ".lock";
  FileDescriptor file(openat(folder.get(), name.c_str(),
                             O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                             kLockFileMode));
  if (file.get() < 0) {
    failure_ = SystemError("lock file " + name);
    return LockAttempt::Unavailable;
  }
  struct stat st;
  if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    failure_ = "lock file " + name + " is not a plain file";
    return LockAttempt::Unavailable;
  }
  if (!SafeOwner(st, "lock file " + name, &failure_)) return LockAttempt::Unavailable;
  if (flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return LockAttempt::HeldElsewhere;
    failure_ = SystemError("lock file " + name);
    return LockAttempt::Unavailable;
  }
  // Kept past this call, and by no program this process starts.
  fd_ = fcntl(file.get(), F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) {
    failure_ = SystemError("lock file " + name);
    return LockAttempt::Unavailable;
  }
  return LockAttempt::Taken;
}

LockAttempt PrinterLock::Take(const std::function<bool()>& cancelled,
                              const std::function<void()>& waiting,
                              std::chrono::milliseconds interval) {
  for (bool first = true;; first = false) {
    if (cancelled && cancelled()) return LockAttempt::Cancelled;
    const LockAttempt attempt = TryTake();
    if (attempt != LockAttempt::HeldElsewhere) return attempt;
    if (first && waiting) waiting();
    std::this_thread::sleep_for(interval);
  }
}

}  // namespace kv71p::delivery
