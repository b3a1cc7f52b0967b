#include "tools/decoder/PngOutput.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kv71p {

namespace {

const char* const kPlaneNames[3] = {"yellow", "magenta", "cyan"};

// libpng's simplified writer; a negative stride hands the rows over bottom
// row first.
int WritePng(const std::string& path, int width, int height, bool colour, const void* pixels,
             int stride) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = colour ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, pixels, stride, nullptr);
  png_image_free(&image);
  return ok ? 0 : 1;
}

}  // namespace

std::string PrintPngName(int printNumber, const char* what) {
  char name[64];
  std::snprintf(name, sizeof name, "print%02d-%s.png", printNumber, what);
  return name;
}

int WritePlanePng(const std::string& path, const PlaneImage& plane) {
  if (plane.pixels == nullptr || plane.width <= 0 || plane.height <= 0) return 3;
  return WritePng(path, plane.width, plane.height, false, plane.pixels, -plane.stride);
}

int WritePreviewPng(const std::string& path, const PlaneImage* yellow, const PlaneImage* magenta,
                    const PlaneImage* cyan) {
  // Output red, green and blue come from the cyan, magenta and yellow
  // planes.
  const PlaneImage* sources[3] = {cyan, magenta, yellow};
  const PlaneImage* first = nullptr;
  for (const PlaneImage* p : sources) {
    if (p == nullptr) continue;
    if (p->pixels == nullptr || p->width <= 0 || p->height <= 0) return 3;
    if (first != nullptr && (p->width != first->width || p->height != first->height)) return 3;
    if (first == nullptr) first = p;
  }
  if (first == nullptr) return 3;
  const size_t width = static_cast<size_t>(first->width);
  const size_t height = static_cast<size_t>(first->height);
  std::vector<unsigned char> rgb(width * height * 3, 255);
  for (int c = 0; c < 3; ++c) {
    const PlaneImage* p = sources[c];
    if (p == nullptr) continue;
    // Both buffers keep the bottom row first.
    for (size_t y = 0; y < height; ++y) {
      const unsigned char* in = p->pixels + y * static_cast<size_t>(p->stride);
      unsigned char* out = rgb.data() + y * width * 3 + static_cast<size_t>(c);
      for (size_t x = 0; x < width; ++x) out[x * 3] = in[x];
    }
  }
  return WritePng(path, first->width, first->height, true, rgb.data(),
                  -static_cast<int>(width * 3));
}

int WritePrintPngs(const StreamPrint& print, const std::string& folder,
                   std::vector<std::string>* written) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  PlaneImage planes[3];
  const PlaneImage* present[3] = {nullptr, nullptr, nullptr};
  for (int k = 0; k < 3; ++k) {
    if (!print.HasPlane(k)) continue;
    if (!ReadPlaneImage(print.planes[k], &planes[k])) return 3;
    const std::string path = folder + "/" + PrintPngName(print.number, kPlaneNames[k]);
    const int result = WritePlanePng(path, planes[k]);
    if (result != 0) return result;
    if (written != nullptr) written->push_back(path);
    present[k] = &planes[k];
  }
  const std::string path = folder + "/" + PrintPngName(print.number, "preview");
  const int result = WritePreviewPng(path, present[0], present[1], present[2]);
  if (result == 0 && written != nullptr) written->push_back(path);
  return result;
}

}  // namespace kv71p
