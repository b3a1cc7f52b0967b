#include "apps/watchlauncher/DetachedLaunch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace kv71p::watchlauncher {

namespace {

// posix_spawn's attributes and file actions, released on every path.
class SpawnSetup {
 public:
  SpawnSetup() {
    attrOk_ = posix_spawnattr_init(&attr_) == 0;
    actionsOk_ = posix_spawn_file_actions_init(&actions_) == 0;
  }
  ~SpawnSetup() {
    if (actionsOk_) posix_spawn_file_actions_destroy(&actions_);
    if (attrOk_) posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // A new session (no controlling terminal, out of the starter's process
  // group, so a terminal's hang-up or Ctrl-C does not reach the window),
  // every signal unblocked, and the standard channels described above.
  int Prepare() {
    if (!attrOk_ || !actionsOk_) return ENOMEM;
    sigset_t none;
    sigemptyset(&none);
    int rc = posix_spawnattr_setsigmask(&attr_, &none);
    if (rc == 0) rc = posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    if (rc == 0) rc = posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
    if (rc == 0) rc = posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
    if (rc == 0 && !isatty(2)) {
      rc = posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0);
    }
    return rc;
  }

  const posix_spawnattr_t* attr() const { return &attr_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
  bool attrOk_ = false;
  bool actionsOk_ = false;
};

}  // namespace

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

int LaunchDetached(const std::string& path, const std::vector<std::string>& arguments) {
  SpawnSetup setup;
  const int prepared = setup.Prepare();
  if (prepared != 0) return prepared;

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  // posix_spawn returns once the program has replaced the child, and
  // reports a failed exec as its result.
  pid_t pid = -1;
  return posix_spawn(&pid, path.c_str(), setup.actions(), setup.attr(), argv.data(), environ);
}

}  // namespace kv71p::watchlauncher
