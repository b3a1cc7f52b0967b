// Writing files into the world-writable cache folder without ever following
// a symbolic link: the folder is opened without following links, the file
// is opened relative to it with O_NOFOLLOW, must be a regular file, and gets
// its mode through its descriptor.
#pragma once

#include <sys/types.h>

#include <string>

namespace kv71p {

// Owns a file descriptor and closes it on every path (-1: none).
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; returns close()'s result.
  int Close();

 private:
  int fd_;
};

enum class WriteMode {
  InPlace,  // truncate the file and write the whole text with one write
  Atomic,   // write a hidden file in the same folder and rename it over the
            // old one, so a reader sees either the old or the new text
};

// Replaces the content of `folder`/`name` with `text` and sets `mode`.
// Returns 0 on success, else an errno value (ELOOP for a link at the path).
int WriteWholeFile(const std::string& folder, const std::string& name, const std::string& text,
                   mode_t mode, WriteMode how);

// Creates `folder`/`name` empty with `mode`, unless a regular file already
// stands there: then it counts as made and is left untouched. An existing
// file is never opened, so this works in a sticky folder on a file that
// another user made, where the kernel (fs.protected_regular) refuses to
// open it with O_CREAT. Returns 0 when the file was made or was there, else
// an errno value (EEXIST when a link, folder or FIFO stands at the name).
int CreateFileOnce(const std::string& folder, const std::string& name, mode_t mode);

// Writes all `size` bytes to `fd`, continuing after partial writes and
// interrupted calls. Returns true when every byte was written.
bool WriteAll(int fd, const void* data, size_t size);

// Splits "dir/name" at its last slash; false when there is no file name.
bool SplitPath(const std::string& path, std::string* folder, std::string* name);

}  // namespace kv71p
