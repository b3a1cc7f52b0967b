// One plane command of a print: the command block header ("IMAGE" and the
// plane's name), an 8-bit BMP image of the whole page (file header,
// information header, grey palette and 10 zero bytes: 1088 bytes) and its
// pixel rows, the bottom row stored first. The three planes of a print
// share one command: only the plane's name and the pixels change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/PageMemory.h"

namespace kv71p::filter {

// The plane names in plane order: yellow, magenta, cyan.
extern const char* const kPlaneNames[3];

class PlaneCommand {
 public:
  // Bytes of the BMP part before the pixels.
  static constexpr size_t kBmpPartSize = 1088;

  // True when a page of `width` x `rows` pixels fits the command's 8-digit
  // data length (and neither size is negative).
  static bool Fits(int32_t width, int32_t rows);

  // Obtains the command for a page of `width` x `rows` pixels at dpiX x
  // dpiY, named after the yellow plane, every pixel white (255). False when
  // the page does not fit or the memory is not obtained.
  bool Make(int32_t width, int32_t rows, int64_t dpiX, int64_t dpiY);

  // Puts `name` into the command's parameter field.
  void SetPlaneName(const char* name);

  // Pixel row `row` (0: the first stored row), stride() bytes.
  unsigned char* Row(int64_t row) { return pixels_ + static_cast<size_t>(row) * stride_; }
  size_t stride() const { return stride_; }

  const unsigned char* bytes() const { return buffer_.get(); }
  size_t size() const { return size_; }

 private:
  PageMemory buffer_;
  unsigned char* pixels_ = nullptr;
  size_t stride_ = 0;
  size_t size_ = 0;
};

}  // namespace kv71p::filter
