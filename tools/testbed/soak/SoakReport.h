// The soak's report: figures and checks, printed as a plain text table.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kv71p::soak {

class SoakReport {
 public:
  void Figure(const std::string& name, const std::string& value) { figures_.push_back({name, value}); }
  void Figure(const std::string& name, long value) { Figure(name, std::to_string(value)); }
  // A check; `detail` says what was measured (and what went wrong).
  void Check(const std::string& name, bool pass, const std::string& detail);
  // Lines listed below the table (the problems seen, at most a few dozen).
  void Problem(const std::string& line);

  bool AllPass() const;
  std::string Text() const;

 private:
  struct CheckLine {
    std::string name;
    bool pass;
    std::string detail;
  };
  std::vector<std::pair<std::string, std::string>> figures_;
  std::vector<CheckLine> checks_;
  std::vector<std::string> problems_;
  size_t problemsLeftOut_ = 0;
};

}  // namespace kv71p::soak
