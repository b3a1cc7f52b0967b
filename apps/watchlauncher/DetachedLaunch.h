// Starting a program that outlives its starter.
#pragma once

#include <string>
#include <vector>

namespace kv71p::watchlauncher {

// True when `path` names (after links) a regular file this user may run.
bool IsExecutableFile(const std::string& path);

// Starts the program at `path` with `arguments` (argv[1] on; argv[0] is
// `path`) as an independent process: no shell, a session of its own, the
// environment passed on, standard input and output on /dev/null and
// standard error kept only when it is a terminal, so that nothing waiting
// for the starter's output to end waits for the program as well. Does not
// wait for it. Returns 0 once the program runs, else an errno value (the
// program could not be executed: ENOENT, EACCES, ENOEXEC ...).
int LaunchDetached(const std::string& path, const std::vector<std::string>& arguments);

}  // namespace kv71p::watchlauncher
