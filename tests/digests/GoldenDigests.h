// Golden digests: the SHA-256 of each named case, kept in the tree in
// sha256sum format ("<64 hex digits>  <case name>" per line; lines that
// start with '#' are comments) and checked at every vector level of the
// image library. With KV71P_WRITE_DIGESTS=<folder> in the environment the
// computed lists are written into that folder instead, under the golden
// file's name, once every level has given the same digests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "imaging/QlxImgLib_Vector.h"
#include "tests/digests/Sha256.h"

namespace kv71p::test {

// Case name and digest, in the order the cases run.
using DigestList = std::vector<std::pair<std::string, std::string>>;

inline DigestList ReadDigestFile(const std::string& path) {
  DigestList digests;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);)
    if (line.size() > 66 && line[0] != '#' && line.compare(64, 2, "  ") == 0)
      digests.emplace_back(line.substr(66), line.substr(0, 64));
  return digests;
}

// Lists every case whose digest differs, and the cases only one side has.
inline ::testing::AssertionResult SameDigests(const DigestList& expected, const DigestList& actual, int level) {
  std::map<std::string, std::string> unmatched(expected.begin(), expected.end());
  std::ostringstream report;
  int differing = 0;
  for (const auto& [name, digest] : actual) {
    const auto found = unmatched.find(name);
    const std::string wanted = found != unmatched.end() ? found->second : "(no such case)";
    if (wanted != digest) report << "\n  " << name << ": expected " << wanted << ", actual " << digest, ++differing;
    if (found != unmatched.end()) unmatched.erase(found);
  }
  for (const auto& [name, digest] : unmatched)
    report << "\n  " << name << ": expected " << digest << ", actual (not computed)", ++differing;
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "vector level " << level << " (best here " << qlx::BestVectorLevel()
                                       << "): " << differing << " case(s) differ" << report.str();
}

// Runs `compute` (which returns a DigestList) at every vector level this
// machine offers and compares each result with the golden file at `path`
// (or, when writing, with the plain loops' result).
template <class Compute>
void CheckAtEveryVectorLevel(const std::string& path, Compute compute) {
  const char* writeFolder = std::getenv("KV71P_WRITE_DIGESTS");
  DigestList reference;
  if (writeFolder == nullptr) {
    reference = ReadDigestFile(path);
    ASSERT_FALSE(reference.empty()) << "no digests in " << path;
  }
  for (int level = qlx::kPlainLoops; level <= qlx::BestVectorLevel(); ++level) {
    qlx::SelectVectorLevel(level);
    const DigestList digests = compute();
    if (reference.empty()) reference = digests;
    EXPECT_TRUE(SameDigests(reference, digests, level));
  }
  qlx::SelectVectorLevel(qlx::BestVectorLevel());
  if (writeFolder == nullptr || ::testing::Test::HasFailure()) return;
  const std::string name = path.substr(path.rfind('/') + 1), written = std::string(writeFolder) + "/" + name;
  std::ofstream out(written);
  out << "# " << name << ": SHA-256 per case; remade with KV71P_WRITE_DIGESTS (tests/digests/CMakeLists.txt)\n";
  for (const auto& [caseName, digest] : reference) out << digest << "  " << caseName << '\n';
  out.close();
  ASSERT_TRUE(out.good()) << "cannot write " << written;
  std::printf("KV71P_WRITE_DIGESTS: wrote %zu digests to %s instead of comparing\n", reference.size(), written.c_str());
}

}  // namespace kv71p::test
