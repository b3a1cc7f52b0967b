#include "AdoptedChildren.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "Subprocess.h"

namespace kv71p::test {

namespace {

// Parent and command name from /proc/<pid>/stat ("pid (name) state ppid").
bool ReadStat(pid_t pid, pid_t* parent, std::string* name) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t open = stat.find('(');
  const size_t close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  *name = stat.substr(open + 1, close - open - 1);
  // After ") " come the state and the parent's pid.
  if (close + 4 >= stat.size()) return false;
  *parent = static_cast<pid_t>(std::atol(stat.c_str() + close + 4));
  return true;
}

}  // namespace

AdoptedChildren::AdoptedChildren() { prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); }

std::vector<pid_t> AdoptedChildren::Find(const std::string& name) const {
  std::vector<pid_t> found;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return found;
  while (const dirent* entry = readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
    pid_t parent = 0;
    std::string comm;
    if (ReadStat(pid, &parent, &comm) && parent == getpid() && comm == name) found.push_back(pid);
  }
  closedir(proc);
  return found;
}

int AdoptedChildren::Reap(const std::string& name, double seconds) const {
  const std::vector<pid_t> children = Find(name);
  for (pid_t pid : children) WaitForChild(pid, 0, seconds);
  return static_cast<int>(children.size());
}

int WaitForChild(pid_t pid, int signal, double seconds) {
  if (signal != 0) kill(pid, signal);
  int status = 0;
  const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kv71p::test
