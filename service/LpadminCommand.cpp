#include "service/LpadminCommand.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "common/DeviceUri.h"
#include "common/Kv71pConfig.h"
#include "service/QueueNumbering.h"

extern char** environ;

namespace kv71p::service {

namespace {

// Attributes of the child: default handling for the signals the service
// catches or its supervisor may ignore, and nothing blocked.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    ok_ = posix_spawnattr_init(&attr_) == 0;
    if (!ok_) return;
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGPIPE, SIGHUP, SIGQUIT}) sigaddset(&defaults, s);
    sigemptyset(&none);
    ok_ = posix_spawnattr_setsigdefault(&attr_, &defaults) == 0 &&
          posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
          posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0;
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  bool ok() const { return ok_; }
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
  bool ok_ = false;
};

}  // namespace

std::vector<std::string> LpadminArguments(int number, const std::string& serialNo) {
  std::string description = kMakeAndModel;
  if (number != 0) description += " " + std::to_string(number);
  return {"-p", QueueName(number), "-E", "-D", description, "-m", KV71P_PPD_MODEL_NAME,
          "-v", DeviceUriOf(serialNo), "-o", "printer-is-shared=false"};
}

int RunLpadmin(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  static char program[] = "lpadmin";
  argv.push_back(program);
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  SpawnAttributes attributes;
  if (!attributes.ok()) return -1;
  pid_t child = -1;
  if (posix_spawnp(&child, program, nullptr, attributes.get(), argv.data(), environ) != 0)
    return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kv71p::service
