// The exit statuses of the backend runs, read as the private cupsd logs
// them at debug level ("[Job 12] PID 345 (.../backend/vexbackend) stopped
// with status 6." or "... exited with no errors."). The log is read on from
// where the last look stopped; a log that cupsd rotated (renamed to
// "error_log.O" and begun anew) is followed across the rotation.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>

namespace kv71p::soak {

// A backend that ended on a signal: this status plus the signal number.
inline constexpr int kEndedOnSignal = 1000;

class BackendExitLog {
 public:
  explicit BackendExitLog(std::string path) : path_(std::move(path)) {}

  // Reads what was added to the log since the last call.
  void ReadOn();
  // The exit status of the job's latest backend run, once it ended.
  std::optional<int> ExitOf(int job) const;
  // Forgets the job's runs (before the job is printed again).
  void Forget(int job) { exits_.erase(job); }

 private:
  void ReadFrom(const std::string& path, long offset, long* end);
  void TakeLine(const std::string& line);

  std::string path_;
  ino_t inode_ = 0;
  long offset_ = 0;
  std::string partial_;  // a line not yet ended
  std::map<int, int> exits_;
};

}  // namespace kv71p::soak
