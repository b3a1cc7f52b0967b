// Helpers shared by the image library's operations (not part of its API).
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/QlxImgLib.h"

namespace qlx {

// Row stride for `width` pixels of `bitsPerPixel` bits, each row padded to
// a multiple of 4 bytes. Computed in 64 bits so hostile sizes cannot wrap.
inline int64_t RowBytes(int64_t width, int64_t bitsPerPixel) {
  return ((width * bitsPerPixel + 31) / 32) * 4;
}

// Cubic convolution kernel with parameter -1 at distance d. Written exactly
// in this form: other algebraically equal forms round differently and change
// output bytes. Taps farther than 2 get no weight.
inline double CubicWeight(double d) {
  const double a = d < 0 ? -d : d;
  if (a <= 1) return a * a * a - 2 * a * a + 1;
  if (a <= 2) return -a * a * a + 5 * a * a - 8 * a + 4;
  return 0.0;
}

// Sharpening strength for `change` (-1000 ... 1000) from the fixed table.
double SharpenStrength(int32_t change);

struct KTableRow {
  int32_t key;
  double strength;
};
extern const KTableRow KTable[21];

// A GlobalAlloc'd and locked block that is released unless kept.
class LockedBlock {
 public:
  LockedBlock() = default;
  ~LockedBlock() { Release(); }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  // False when the block could not be obtained or locked (nothing is kept).
  bool Obtain(size_t size) {
    Release();
    handle_ = GlobalAlloc(0, size);
    if (handle_ == nullptr) return false;
    data_ = static_cast<unsigned char*>(GlobalLock(handle_));
    if (data_ == nullptr) {
      GlobalFree(handle_);
      handle_ = nullptr;
      return false;
    }
    return true;
  }
  void Release() {
    if (handle_ != nullptr) {
      GlobalUnlock(handle_);
      GlobalFree(handle_);
    }
    handle_ = nullptr;
    data_ = nullptr;
  }
  // Hands the block over to the caller.
  void* Keep() {
    void* handle = handle_;
    handle_ = nullptr;
    data_ = nullptr;
    return handle;
  }
  unsigned char* data() const { return data_; }

 private:
  void* handle_ = nullptr;
  unsigned char* data_ = nullptr;
};

// Rounds a byte count up so that doubles placed behind it stay aligned.
inline size_t AlignUp(size_t n, size_t alignment = 64) { return (n + alignment - 1) / alignment * alignment; }

}  // namespace qlx
