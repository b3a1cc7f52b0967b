// Runs a child process without a shell and collects what it wrote.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kv71p::test {

struct ProcessResult {
  int exitStatus = -1;   // exit status, or -1 when it did not exit normally
  int signal = 0;        // the signal that ended it, 0 when none
  bool timedOut = false; // killed after the time limit
  std::string out;       // standard output
  std::string err;       // standard error
};

struct ProcessOptions {
  std::vector<std::string> env;  // "NAME=value" entries added to (or replacing) the environment
  std::string input;             // written to standard input, which is then closed
  std::string inputFile;         // when set, standard input is this file instead
  double timeoutSeconds = 60;
};

// Runs argv[0] (searched in PATH when it has no slash) and waits for it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A child running in the background until Stop() or destruction.
class BackgroundProcess {
 public:
  BackgroundProcess() = default;
  ~BackgroundProcess() { Stop(); }
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  // Starts the program with standard output and error going to `logPath`
  // (or /dev/null when empty). Returns false when it could not start.
  // Standard input is `inputPath`; `fourthFd`, when not -1, becomes the
  // child's descriptor 4 (a backend's side channel).
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& logPath = "", const std::string& inputPath = "/dev/null",
             int fourthFd = -1);
  // Sends `signal` and waits up to `timeoutSeconds`, then SIGKILL. Returns
  // the exit status (-1 when killed by a signal or not running).
  int Stop(int signal = 15, double timeoutSeconds = 10);
  // True when the child has not ended yet (reaps it when it has).
  bool Running();
  pid_t pid() const { return pid_; }
  // Exit status once ended, -1 otherwise.
  int exitStatus() const { return exitStatus_; }
  int termSignal() const { return termSignal_; }

 private:
  pid_t pid_ = -1;
  int exitStatus_ = -1;
  int termSignal_ = 0;
};

// Waits for child `pid` to end, sends `signal` first when it is not 0;
// SIGKILL after `seconds`. Returns the exit status, -1 when killed by a
// signal.
int WaitForChild(pid_t pid, int signal, double seconds);

// Polls `condition` every 20 ms until it holds or `seconds` have passed.
template <typename Condition>
bool WaitFor(Condition condition, double seconds);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes a whole file; false on failure.
bool WriteFile(const std::string& path, const std::string& content);
// The type and mode bits of `path` itself (a link is not followed); 0 when
// it does not exist. Permissions(): the mode bits only.
mode_t ModeOf(const std::string& path);
inline mode_t Permissions(const std::string& path) { return ModeOf(path) & 07777; }
inline bool Exists(const std::string& path) { return ModeOf(path) != 0; }

}  // namespace kv71p::test

#include <chrono>
#include <thread>

template <typename Condition>
bool kv71p::test::WaitFor(Condition condition, double seconds) {
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}
