// Helpers shared by the image library's operations (not part of its API).
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLib_LinuxDef.h"

namespace qlx {

// True when `change` lies in the range the adjusting operations accept.
inline bool IsChangeInRange(int32_t change) {
  return change >= -IL_CHANGE_LIMIT && change <= IL_CHANGE_LIMIT;
}

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

// Sharpening strength for `change` (within IL_CHANGE_LIMIT) from the fixed
// table of the sharpening, interpolated between its rows.
double SharpenStrength(int32_t change);

// Hue (degrees, -1 for grey), chroma (max - min) and lightness ((max + min)
// / 2) of a colour, and the colour of a hue, chroma and lightness, the
// chroma limited so that no value leaves 0 ... 255. The saturation computes
// exactly these, with the hue's part taken from a table.
void RgbToHsl(int32_t red, int32_t green, int32_t blue, double* hue, double* chroma,
              double* lightness);
void HslToRgb(unsigned char* red, unsigned char* green, unsigned char* blue, double hue,
              double chroma, double lightness);

// The data pointer of a block of IL_AllocMemory: the block itself, or null
// when a test refuses it (QlxMemFailNthLock).
void* LockMemory(void* block);

// A block of IL_AllocMemory, locked, that is released unless kept.
class LockedBlock {
 public:
  LockedBlock() = default;
  ~LockedBlock() { Release(); }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  // False when the block could not be obtained or locked (nothing is kept).
  bool Obtain(size_t size) {
    Release();
    handle_ = IL_AllocMemory(size);
    if (handle_ == nullptr) return false;
    data_ = static_cast<unsigned char*>(LockMemory(handle_));
    if (data_ == nullptr) {
      IL_FreeMemory(handle_);
      handle_ = nullptr;
      return false;
    }
    return true;
  }
  void Release() {
    IL_FreeMemory(handle_);
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
