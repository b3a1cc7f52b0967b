#include "common/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace kv71p {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

int FileDescriptor::Close() {
  const int result = close(fd_);
  fd_ = -1;
  return result;
}

namespace {

int OpenFolder(const std::string& folder) {
  return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Opens `name` in `dirFd` for writing without following a link and without
// blocking on a FIFO; the result must be a regular file.
int OpenRegularForWrite(int dirFd, const char* name, int extraFlags, mode_t mode, int* error) {
  const int fd = openat(dirFd, name,
                        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY |
                            extraFlags,
                        mode);
  if (fd < 0) {
    *error = errno;
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = EINVAL;
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool ValidName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    *folder = ".";
    *name = path;
  } else {
    *folder = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
  return ValidName(*name);
}

int WriteWholeFile(const std::string& folder, const std::string& name, const std::string& text,
                   mode_t mode, WriteMode how) {
  if (!ValidName(name)) return EINVAL;
  FileDescriptor dir(OpenFolder(folder));
  if (dir.get() < 0) return errno;
  int error = 0;

  if (how == WriteMode::InPlace) {
    FileDescriptor fd(OpenRegularForWrite(dir.get(), name.c_str(), O_TRUNC, mode, &error));
    if (fd.get() < 0) return error;
    if (!WriteAll(fd.get(), text.data(), text.size())) return errno ? errno : EIO;
    fchmod(fd.get(), mode);
    return fd.Close() == 0 ? 0 : errno;
  }

  // Hidden temporary name: a leading dot keeps it apart from every name the
  // suite scans for in the folder.
  static std::atomic<unsigned> counter{0};
  char tmpName[320];
  std::snprintf(tmpName, sizeof tmpName, ".%s.%ld.%u.tmp", name.c_str(),
                static_cast<long>(getpid()), counter.fetch_add(1));
  FileDescriptor fd(OpenRegularForWrite(dir.get(), tmpName, O_EXCL, mode, &error));
  if (fd.get() < 0) return error;
  bool ok = WriteAll(fd.get(), text.data(), text.size());
  ok = ok && fchmod(fd.get(), mode) == 0;
  ok = (fd.Close() == 0) && ok;
  // renameat replaces whatever stands at the name, a link included, without
  // following it.
  ok = ok && renameat(dir.get(), tmpName, dir.get(), name.c_str()) == 0;
  if (!ok) {
    error = errno ? errno : EIO;
    unlinkat(dir.get(), tmpName, 0);
    return error;
  }
  return 0;
}

int CreateFileOnce(const std::string& folder, const std::string& name, mode_t mode) {
  if (!ValidName(name)) return EINVAL;
  FileDescriptor dir(OpenFolder(folder));
  if (dir.get() < 0) return errno;
  // O_EXCL fails at any existing name, a link included, without opening
  // or following what stands there.
  FileDescriptor fd(openat(dir.get(), name.c_str(),
               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode));
  if (fd.get() < 0) {
    const int error = errno;
    struct stat st;
    if (error == EEXIST && fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode)) {
      return 0;
    }
    return error;
  }
  // The mode whatever the umask.
  if (fchmod(fd.get(), mode) != 0) return errno;
  return fd.Close() == 0 ? 0 : errno;
}

}  // namespace kv71p
