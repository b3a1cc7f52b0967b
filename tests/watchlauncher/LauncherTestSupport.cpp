#include "LauncherTestSupport.h"

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

namespace kv71p::test {

namespace fs = std::filesystem;

bool WriteStandIn(const std::string& path, const std::string& recordFolder, int status) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  fs::create_directories(recordFolder, ec);
  const std::string script =
      "#!/bin/sh\n"
      "in=$(readlink /proc/$$/fd/0)\n"
      "out=$(readlink /proc/$$/fd/1)\n"
      "err=$(readlink /proc/$$/fd/2)\n"
      "sid=$(cut -d' ' -f6 /proc/$$/stat)\n"
      "printf '%s\\n' \"$in\" \"$out\" \"$err\" \"$sid\" \"$$\" \"$@\" > '" +
      recordFolder + "/started.'$$\n"
      "exit " + std::to_string(status) + "\n";
  return WriteFile(path, script) && chmod(path.c_str(), 0755) == 0;
}

std::vector<StandInRun> TakeStandInRuns(const AdoptedChildren& children, const std::string& name,
                                        const std::string& recordFolder) {
  children.Reap(name);
  std::vector<StandInRun> runs;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(recordFolder, ec)) {
    if (e.path().filename().string().rfind("started.", 0) != 0) continue;
    std::istringstream lines(ReadFile(e.path().string()));
    StandInRun run;
    std::string sid, pid, arg;
    std::getline(lines, run.in);
    std::getline(lines, run.out);
    std::getline(lines, run.err);
    std::getline(lines, sid);
    std::getline(lines, pid);
    run.ownSession = !sid.empty() && sid == pid;
    while (std::getline(lines, arg)) run.args.push_back(arg);
    runs.push_back(run);
    fs::remove(e.path(), ec);
  }
  return runs;
}

bool CopyProgram(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::create_directories(fs::path(to).parent_path(), ec);
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) return false;
  return chmod(to.c_str(), 0755) == 0;
}

ProcessResult RunClient(const PrivateCupsd& cupsd, const std::string& cacheFolder,
                        const std::vector<std::string>& argv,
                        const std::vector<std::string>& extraEnv) {
  ProcessOptions options;
  options.env = cupsd.ClientEnvironment();
  options.env.push_back("KV71P_CACHE_DIR=" + cacheFolder);
  for (const std::string& e : extraEnv) options.env.push_back(e);
  options.timeoutSeconds = 30;
  return RunProcess(argv, options);
}

}  // namespace kv71p::test
