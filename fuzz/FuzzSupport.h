// Small helpers shared by the fuzz targets: reading pieces of the input
// and stopping loudly when a property that must hold does not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kv71p::fuzz {

// Stops the run with a message: libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz property violated: %s\n", what);
  std::abort();
}

inline void Require(bool holds, const char* what) {
  if (!holds) Fail(what);
}

// Takes the input front to back.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t left() const { return size_ - pos_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  // The bytes up to the next `separator` (which is taken but not
  // returned), or the rest of the input.
  std::string Until(char separator) {
    std::string out;
    while (pos_ < size_) {
      const char c = static_cast<char>(data_[pos_++]);
      if (c == separator) break;
      out += c;
    }
    return out;
  }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A folder of its own under the temp folder, for the whole fuzzing run.
std::string MakeRunFolder(const char* name);
// Writes `bytes` to `path` (replacing it); false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace kv71p::fuzz
