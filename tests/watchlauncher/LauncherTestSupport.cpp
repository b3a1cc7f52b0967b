#include "tests/watchlauncher/LauncherTestSupport.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

namespace kv71p::test {

namespace fs = std::filesystem;

AdoptedChildren::AdoptedChildren() { prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0); }

std::vector<pid_t> AdoptedChildren::Find(const std::string& name) const {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    // "pid (name) state ppid ..."
    const std::string stat = ReadFile(e.path().string() + "/stat");
    const size_t open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 >= stat.size()) continue;
    if (stat.substr(open + 1, close - open - 1) == name && std::atol(stat.c_str() + close + 4) == getpid())
      found.push_back(static_cast<pid_t>(std::atol(stat.c_str())));
  }
  return found;
}

// The record holds, each ended by a NUL: where standard input, output and
// error lead, the session id, the process id, then the arguments.
bool WriteStandIn(const std::string& path, const std::string& recordFolder) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  fs::create_directories(recordFolder, ec);
  const std::string script =
      "#!/bin/sh\n"
      "printf '%s\\0' \"$(readlink /proc/$$/fd/0)\" \"$(readlink /proc/$$/fd/1)\" "
      "\"$(readlink /proc/$$/fd/2)\" \"$(cut -d' ' -f6 /proc/$$/stat)\" \"$$\" \"$@\" > '" +
      recordFolder + "/started.'$$\n";
  return WriteFile(path, script) && chmod(path.c_str(), 0755) == 0;
}

std::vector<StandInRun> TakeStandInRuns(const AdoptedChildren& children, const std::string& name,
                                        const std::string& recordFolder) {
  for (pid_t pid : children.Find(name)) WaitForChild(pid, 0, 20);
  std::vector<StandInRun> runs;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(recordFolder, ec)) {
    std::vector<std::string> fields;
    std::istringstream record(ReadFile(e.path().string()));
    for (std::string field; std::getline(record, field, '\0');) fields.push_back(field);
    fs::remove(e.path(), ec);
    if (fields.size() < 5) continue;
    runs.push_back({{fields.begin() + 5, fields.end()}, fields[0], fields[1], fields[2],
                    !fields[3].empty() && fields[3] == fields[4]});
  }
  return runs;
}

bool CopyProgram(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::create_directories(fs::path(to).parent_path(), ec);
  return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) &&
         chmod(to.c_str(), 0755) == 0;
}

ProcessResult RunClient(const PrivateCupsd& cupsd, const std::string& cacheFolder,
                        const std::vector<std::string>& argv,
                        const std::vector<std::string>& extraEnv) {
  ProcessOptions options;
  options.env = cupsd.ClientEnvironment();
  options.env.push_back("KV71P_CACHE_DIR=" + cacheFolder);
  options.env.insert(options.env.end(), extraEnv.begin(), extraEnv.end());
  options.timeoutSeconds = 30;
  return RunProcess(argv, options);
}

}  // namespace kv71p::test
