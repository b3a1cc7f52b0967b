// A temporary folder for one test, removed with everything in it; one
// that holds the cache folder of the test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

class TestTempDir {
 public:
  TestTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv71p-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (made != nullptr) path_ = made;
  }
  ~TestTempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TestTempDir(const TestTempDir&) = delete;
  TestTempDir& operator=(const TestTempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A temporary folder and the cache folder `folder` below it (the temporary
// folder itself when empty; not made), which KV71P_CACHE_DIR names for the
// life of the object.
class TestCacheDir : public TestTempDir {
 public:
  explicit TestCacheDir(const std::string& folder = "Korvale/KV-71P")
      : cache_(folder.empty() ? path() : *this / folder) {
    setenv("KV71P_CACHE_DIR", cache_.c_str(), 1);
  }
  ~TestCacheDir() { unsetenv("KV71P_CACHE_DIR"); }
  const std::string& cache() const { return cache_; }

 private:
  const std::string cache_;
};

// The names of the entries of `folder` (none when it cannot be read).
inline std::set<std::string> FolderNames(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.insert(e.path().filename());
  return names;
}
