// What the launcher tests share: a private CUPS scheduler, a copy of a
// program next to a stand-in that records how it was started, and the
// stand-in's records.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "AdoptedChildren.h"
#include "PrivateCupsd.h"
#include "Subprocess.h"
#include "TestTempDir.h"

namespace kv71p::test {

// The device URI the status service gives its queues, without the serial
// number.
constexpr const char* kQueueUri = "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=";

// One start of a stand-in: its arguments (argv[1] on), where its standard
// channels led, and whether it led a session of its own.
struct StandInRun {
  std::vector<std::string> args;
  std::string in, out, err;
  bool ownSession = false;
};

// Writes an executable shell script at `path` (folders made) that records
// each start in "<recordFolder>/started.<pid>" and exits with `status`.
bool WriteStandIn(const std::string& path, const std::string& recordFolder, int status = 0);

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
