#include "tools/testbed/soak/BackendExitLog.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <regex>

namespace kv71p::soak {

void BackendExitLog::ReadOn() {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) return;
  if (inode_ != 0 && st.st_ino != inode_) {
    // Rotated: the rest of the old log, then the new one from its start.
    long ignored = 0;
    ReadFrom(path_ + ".O", offset_, &ignored);
    partial_.clear();
    offset_ = 0;
  }
  inode_ = st.st_ino;
  ReadFrom(path_, offset_, &offset_);
}

void BackendExitLog::ReadFrom(const std::string& path, long offset, long* end) {
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.seekg(offset)) return;
  std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  *end = offset + static_cast<long>(chunk.size());
  partial_ += chunk;
  size_t start = 0;
  for (size_t lf; (lf = partial_.find('\n', start)) != std::string::npos; start = lf + 1)
    TakeLine(partial_.substr(start, lf - start));
  partial_.erase(0, start);
}

void BackendExitLog::TakeLine(const std::string& line) {
  if (line.find("/backend/vexbackend)") == std::string::npos) return;
  static const std::regex exited(R"(\[Job ([0-9]+)\] PID [0-9]+ \([^)]*\) exited with no errors)");
  static const std::regex stopped(R"(\[Job ([0-9]+)\] PID [0-9]+ \([^)]*\) stopped with status ([0-9]+))");
  static const std::regex crashed(R"(\[Job ([0-9]+)\] PID [0-9]+ \([^)]*\) crashed on signal ([0-9]+))");
  std::smatch m;
  if (std::regex_search(line, m, exited))
    exits_[std::atoi(m[1].str().c_str())] = 0;
  else if (std::regex_search(line, m, stopped))
    exits_[std::atoi(m[1].str().c_str())] = std::atoi(m[2].str().c_str());
  else if (std::regex_search(line, m, crashed))
    exits_[std::atoi(m[1].str().c_str())] = kEndedOnSignal + std::atoi(m[2].str().c_str());
}

std::optional<int> BackendExitLog::ExitOf(int job) const {
  const auto it = exits_.find(job);
  if (it == exits_.end()) return std::nullopt;
  return it->second;
}

}  // namespace kv71p::soak
