// What /proc tells about a running process: resident memory, its peak,
// threads and open descriptors; and this program's children found by
// their command name.
#pragma once

#include <sys/types.h>

#include <string>

namespace kv71p::soak {

struct ProcessFigures {
  long rssKiB = -1;      // VmRSS
  long hwmKiB = -1;      // VmHWM, the peak resident memory
  int threads = -1;      // Threads
  int descriptors = -1;  // entries of /proc/PID/fd
};

// Reads the figures of `pid`; false when the process is gone.
bool ReadProcessFigures(pid_t pid, ProcessFigures* figures);

// A direct child of this process whose command name (/proc/PID/comm, at
// most 15 characters) is `command`; -1 when there is none.
pid_t FindChild(const std::string& command);

// How many processes are children of `parent`.
int CountChildren(pid_t parent);

}  // namespace kv71p::soak
