// Programs started detached by a program under test. The test process
// becomes a child subreaper, so a program whose starter has quit becomes
// our child: the test can tell exactly whether something was started, wait
// for it to end and stop it, without timing guesses.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kv71p::test {

class AdoptedChildren {
 public:
  AdoptedChildren();  // makes this process a subreaper

  // Our children whose command name (the executable's file name) is
  // `name`, running or ended and not yet awaited.
  std::vector<pid_t> Find(const std::string& name) const;

  // Waits for every child called `name` to end (SIGKILL after `seconds`)
  // and returns how many there were.
  int Reap(const std::string& name, double seconds = 20) const;
};

// Waits for `pid` to end, sends `signal` first when it is not 0; SIGKILL
// after `seconds`. Returns the exit status, -1 when killed by a signal.
int WaitForChild(pid_t pid, int signal, double seconds);

}  // namespace kv71p::test
