// A temporary folder for one test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
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
