#include "apps/watchlauncher/LauncherRun.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace kv71p::watchlauncher {

int RunWatchlauncher(const std::string& folder, const std::string& queue) {
  const std::string path = folder + "/Watchlauncher";
  char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(queue.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kv71p::watchlauncher
