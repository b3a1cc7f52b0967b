#include "Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

extern char** environ;

namespace kv71p::test {

namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::map<std::string, std::string> byName;
  std::vector<std::string> order;
  auto put = [&](const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('='));
    if (byName.find(name) == byName.end()) order.push_back(name);
    byName[name] = entry;
  };
  for (char** e = environ; *e; ++e) put(*e);
  for (const std::string& e : extra) put(e);
  std::vector<std::string> result;
  for (const std::string& name : order) result.push_back(byName[name]);
  return result;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (std::string& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

void DecodeStatus(int status, int* exitStatus, int* signal) {
  if (WIFEXITED(status)) {
    *exitStatus = WEXITSTATUS(status);
    *signal = 0;
  } else if (WIFSIGNALED(status)) {
    *exitStatus = -1;
    *signal = WTERMSIG(status);
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argvIn, const ProcessOptions& options) {
  ProcessResult result;
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC))
    return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!options.inputFile.empty())
    posix_spawn_file_actions_addopen(&actions, 0, options.inputFile.c_str(), O_RDONLY, 0);
  else
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);

  std::vector<std::string> argvCopy = argvIn;
  std::vector<std::string> envCopy = MergedEnvironment(options.env);
  std::vector<char*> argv = CStrings(argvCopy);
  std::vector<char*> envp = CStrings(envCopy);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (rc != 0) {
    close(inPipe[1]);
    close(outPipe[0]);
    close(errPipe[0]);
    result.err = std::string("spawn failed: ") + std::strerror(rc);
    return result;
  }

  signal(SIGPIPE, SIG_IGN);
  size_t inputOffset = 0;
  int inFd = inPipe[1];
  if (options.input.empty()) {
    close(inFd);
    inFd = -1;
  } else {
    fcntl(inFd, F_SETFL, O_NONBLOCK);
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long>(options.timeoutSeconds * 1000));
  bool outOpen = true, errOpen = true;
  char buf[65536];
  while (outOpen || errOpen) {
    pollfd fds[3];
    int n = 0;
    if (outOpen) fds[n++] = {outPipe[0], POLLIN, 0};
    if (errOpen) fds[n++] = {errPipe[0], POLLIN, 0};
    if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      result.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, n, static_cast<int>(left)) < 0 && errno != EINTR) break;
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == inFd) {
        const ssize_t w = write(inFd, options.input.data() + inputOffset,
                                options.input.size() - inputOffset);
        if (w > 0) inputOffset += static_cast<size_t>(w);
        if (w < 0 && errno != EAGAIN && errno != EINTR) inputOffset = options.input.size();
        if (inputOffset >= options.input.size()) {
          close(inFd);
          inFd = -1;
        }
        continue;
      }
      const ssize_t r = read(fds[i].fd, buf, sizeof buf);
      if (r > 0) {
        (fds[i].fd == outPipe[0] ? result.out : result.err).append(buf, static_cast<size_t>(r));
      } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
        if (fds[i].fd == outPipe[0]) outOpen = false;
        else errOpen = false;
      }
    }
  }
  if (inFd >= 0) close(inFd);
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  DecodeStatus(status, &result.exitStatus, &result.signal);
  return result;
}

bool BackgroundProcess::Start(const std::vector<std::string>& argvIn,
                              const std::vector<std::string>& env, const std::string& logPath) {
  Stop();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const std::string log = logPath.empty() ? "/dev/null" : logPath;
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> argvCopy = argvIn;
  std::vector<std::string> envCopy = MergedEnvironment(env);
  std::vector<char*> argv = CStrings(argvCopy);
  std::vector<char*> envp = CStrings(envCopy);
  const int rc = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    return false;
  }
  exitStatus_ = -1;
  termSignal_ = 0;
  return true;
}

bool BackgroundProcess::Running() {
  if (pid_ < 0) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    DecodeStatus(status, &exitStatus_, &termSignal_);
    pid_ = -1;
    return false;
  }
  return r == 0;
}

int BackgroundProcess::Stop(int signal, double timeoutSeconds) {
  if (!Running()) return exitStatus_;
  kill(pid_, signal);
  if (!WaitFor([this] { return !Running(); }, timeoutSeconds)) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    DecodeStatus(status, &exitStatus_, &termSignal_);
    pid_ = -1;
  }
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

}  // namespace kv71p::test
