#include "tools/testbed/soak/ProcessProbe.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kv71p::soak {

namespace {

std::string ProcPath(pid_t pid, const char* entry) {
  return "/proc/" + std::to_string(pid) + "/" + entry;
}

// The parent pid from /proc/PID/stat: the fourth field, after the command
// name in parentheses (which may hold anything, so the last ')' counts).
pid_t ParentOf(pid_t pid) {
  std::ifstream in(ProcPath(pid, "stat"));
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(stat.substr(close + 1));
  std::string state;
  long parent = -1;
  rest >> state >> parent;
  return static_cast<pid_t>(parent);
}

// Calls `visit(pid)` for every process.
template <typename Visit>
void ForEachProcess(Visit visit) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename();
    if (name.find_first_not_of("0123456789") == std::string::npos)
      visit(static_cast<pid_t>(std::atol(name.c_str())));
  }
}

}  // namespace

bool ReadProcessFigures(pid_t pid, ProcessFigures* figures) {
  if (pid <= 0) return false;
  std::ifstream status(ProcPath(pid, "status"));
  if (!status) return false;
  *figures = ProcessFigures{};
  for (std::string line; std::getline(status, line);) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    const long value = std::strtol(line.c_str() + colon + 1, nullptr, 10);
    if (key == "VmRSS") figures->rssKiB = value;
    if (key == "VmHWM") figures->hwmKiB = value;
    if (key == "Threads") figures->threads = static_cast<int>(value);
  }
  std::error_code ec;
  int count = 0;
  for (std::filesystem::directory_iterator it(ProcPath(pid, "fd"), ec), end; !ec && it != end;
       it.increment(ec))
    ++count;
  if (ec) return false;
  figures->descriptors = count;
  return figures->threads > 0;
}

pid_t FindChild(const std::string& command) {
  const pid_t self = getpid();
  pid_t found = -1;
  ForEachProcess([&](pid_t pid) {
    std::ifstream comm(ProcPath(pid, "comm"));
    std::string text;
    if (found < 0 && std::getline(comm, text) && text == command.substr(0, 15) && ParentOf(pid) == self)
      found = pid;
  });
  return found;
}

int CountChildren(pid_t parent) {
  int count = 0;
  ForEachProcess([&](pid_t pid) { count += ParentOf(pid) == parent ? 1 : 0; });
  return count;
}

}  // namespace kv71p::soak
