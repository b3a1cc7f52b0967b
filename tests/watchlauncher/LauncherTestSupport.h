// What the launcher and scenario tests share: programs started detached by
// a program under test (adopted by the test process), a stand-in program
// that records how it was started, and a client run against a private
// CUPS scheduler.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/PrivateCupsd.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace kv71p::test {

// The test process becomes a child subreaper, so a program whose starter
// has quit becomes our child: the test can tell exactly whether something
// was started, wait for it to end and stop it, without timing guesses.
class AdoptedChildren {
 public:
  AdoptedChildren();
  // Our children whose command name is `name`, running or ended and not
  // yet awaited.
  std::vector<pid_t> Find(const std::string& name) const;
};

// One start of a stand-in: its arguments (argv[1] on), where its standard
// channels led, and whether it led a session of its own.
struct StandInRun {
  std::vector<std::string> args;
  std::string in, out, err;
  bool ownSession = false;
};

// Writes an executable shell script at `path` (folders made) that records
// each start in "<recordFolder>/started.<pid>" and exits.
bool WriteStandIn(const std::string& path, const std::string& recordFolder);

// Waits for every adopted child called `name` to end and returns the
// records of `recordFolder`, removing them.
std::vector<StandInRun> TakeStandInRuns(const AdoptedChildren& children, const std::string& name,
                                        const std::string& recordFolder);

// Copies the program `from` to `to` (folders made), mode 0755.
bool CopyProgram(const std::string& from, const std::string& to);

// Runs `argv` with the scheduler's client environment, the cache folder
// and `extraEnv`.
ProcessResult RunClient(const PrivateCupsd& cupsd, const std::string& cacheFolder,
                        const std::vector<std::string>& argv,
                        const std::vector<std::string>& extraEnv = {});

}  // namespace kv71p::test
