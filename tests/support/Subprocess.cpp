#include "tests/support/Subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

extern char** environ;

namespace kv71p::test {

namespace {

// Starts `argv` with the environment plus `extra` and the standard
// channels opened by `actions`; -1 when it could not start (`error` says why).
pid_t Spawn(const std::vector<std::string>& argvIn, const std::vector<std::string>& extra,
            posix_spawn_file_actions_t* actions, std::string* error) {
  std::map<std::string, std::string> byName;
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  env.insert(env.end(), extra.begin(), extra.end());
  for (const std::string& e : env) byName[e.substr(0, e.find('='))] = e;
  std::vector<std::string> strings = argvIn;
  const size_t argc = strings.size();
  for (const auto& entry : byName) strings.push_back(entry.second);
  std::vector<char*> argv, envp;
  for (size_t i = 0; i < strings.size(); ++i) (i < argc ? argv : envp).push_back(strings[i].data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(actions);
  if (rc != 0) *error = std::string("spawn failed: ") + std::strerror(rc);
  return rc == 0 ? pid : -1;
}

void DecodeStatus(int status, int* exitStatus, int* signal) {
  *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  *signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// Waits up to `seconds` for child `pid` to end, then kills it; its wait
// status. `timedOut` tells whether it had to be killed.
int AwaitChild(pid_t pid, double seconds, bool* timedOut = nullptr) {
  int status = 0;
  const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  if (timedOut != nullptr) *timedOut = !ended;
  return status;
}

// A temporary file, removed with this object.
struct TempFile {
  std::string path = "/tmp/kv71p-process-XXXXXX";
  TempFile() { close(mkstemp(path.data())); }
  ~TempFile() { unlink(path.c_str()); }
};

}  // namespace

// The child's channels are files, so no pipe can fill up and block it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessResult result;
  signal(SIGPIPE, SIG_IGN);  // a test writing to a child that has gone gets an error instead
  TempFile in, out, err;
  if (options.inputFile.empty() && !WriteFile(in.path, options.input)) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, options.inputFile.empty() ? in.path.c_str()
                                                                          : options.inputFile.c_str(),
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.path.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err.path.c_str(), O_WRONLY | O_TRUNC, 0);
  const pid_t pid = Spawn(argv, options.env, &actions, &result.err);
  if (pid < 0) return result;
  DecodeStatus(AwaitChild(pid, options.timeoutSeconds, &result.timedOut), &result.exitStatus, &result.signal);
  result.out = ReadFile(out.path);
  result.err = ReadFile(err.path);
  return result;
}

bool BackgroundProcess::Start(const std::vector<std::string>& argv,
                              const std::vector<std::string>& env, const std::string& logPath,
                              const std::string& inputPath, int fourthFd) {
  Stop();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inputPath.c_str(), O_RDONLY, 0);
  if (fourthFd >= 0) posix_spawn_file_actions_adddup2(&actions, fourthFd, 4);
  const std::string log = logPath.empty() ? "/dev/null" : logPath;
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string error;
  pid_ = Spawn(argv, env, &actions, &error);
  exitStatus_ = -1;
  termSignal_ = 0;
  return pid_ >= 0;
}

bool BackgroundProcess::Running() {
  if (pid_ < 0) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    DecodeStatus(status, &exitStatus_, &termSignal_);
    pid_ = -1;
  }
  return r == 0;
}

int BackgroundProcess::Stop(int signal, double timeoutSeconds) {
  if (!Running()) return exitStatus_;
  kill(pid_, signal);
  DecodeStatus(AwaitChild(pid_, timeoutSeconds), &exitStatus_, &termSignal_);
  pid_ = -1;
  return exitStatus_;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

int WaitForChild(pid_t pid, int signal, double seconds) {
  if (signal != 0) kill(pid, signal);
  int exitStatus = -1, termSignal = 0;
  DecodeStatus(AwaitChild(pid, seconds), &exitStatus, &termSignal);
  return exitStatus;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

}  // namespace kv71p::test
