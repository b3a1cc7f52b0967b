#include "tools/testbed/soak/SoakReport.h"

#include <algorithm>

namespace kv71p::soak {

namespace {

constexpr size_t kMostProblems = 40;

std::string Padded(const std::string& text, size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 1, ' ');
}

}  // namespace

void SoakReport::Check(const std::string& name, bool pass, const std::string& detail) {
  checks_.push_back({name, pass, detail});
}

void SoakReport::Problem(const std::string& line) {
  if (problems_.size() < kMostProblems)
    problems_.push_back(line);
  else
    ++problemsLeftOut_;
}

bool SoakReport::AllPass() const {
  return !checks_.empty() &&
         std::all_of(checks_.begin(), checks_.end(), [](const CheckLine& c) { return c.pass; });
}

std::string SoakReport::Text() const {
  size_t width = 0;
  for (const auto& [name, value] : figures_) width = std::max(width, name.size());
  for (const CheckLine& c : checks_) width = std::max(width, c.name.size());
  width += 2;
  std::string text = "kv71p-soak report\n\nFigures\n";
  for (const auto& [name, value] : figures_) text += "  " + Padded(name, width) + value + "\n";
  text += "\nChecks\n";
  for (const CheckLine& c : checks_)
    text += "  " + Padded(c.name, width) + (c.pass ? "PASS  " : "FAIL  ") + c.detail + "\n";
  if (!problems_.empty()) {
    text += "\nProblems seen\n";
    for (const std::string& line : problems_) text += "  " + line + "\n";
    if (problemsLeftOut_ > 0) text += "  (" + std::to_string(problemsLeftOut_) + " more left out)\n";
  }
  text += std::string("\nResult: ") + (AllPass() ? "PASS" : "FAIL") + "\n";
  return text;
}

}  // namespace kv71p::soak
