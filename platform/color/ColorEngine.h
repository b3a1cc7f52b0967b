// Colour matching from sRGB to a printer's device colours through its ICC
// profile, on LittleCMS 2. Each profile uses the rendering intent written
// in its own header.
#pragma once

#include <cstddef>
#include <memory>

namespace kv71p {

class ColorEngineTransform {
 public:
  ~ColorEngineTransform();
  ColorEngineTransform(const ColorEngineTransform&) = delete;
  ColorEngineTransform& operator=(const ColorEngineTransform&) = delete;

  // Builds the transform sRGB -> device RGB of the profile at `path`.
  // Null when the file cannot be read as a profile, when its colour space
  // is not RGB, or when the engine refuses the combination.
  static std::unique_ptr<ColorEngineTransform> FromProfile(const char* path);

  // Converts `height` rows of `width` 8-bit RGB pixels; rows start
  // `stride` bytes apart in both buffers. `source` and `destination` must
  // not overlap.
  void Convert(const unsigned char* source, unsigned char* destination, size_t width,
               size_t height, size_t stride) const;

 private:
  explicit ColorEngineTransform(void* handle) : handle_(handle) {}
  void* handle_;  // cmsHTRANSFORM
};

}  // namespace kv71p
