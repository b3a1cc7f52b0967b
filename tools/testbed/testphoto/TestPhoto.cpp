#include "tools/testbed/testphoto/TestPhoto.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kv71p {

namespace {

unsigned char Clamp(double v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); }

// Small deterministic noise in -1 ... 1 for a pixel.
double Grain(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 32767.5 - 1.0;
}

// Colour patches along the bottom: primaries, secondaries, skin, greys.
const unsigned char kPatches[][3] = {
    {255, 0, 0},     {0, 255, 0},     {0, 0, 255},     {0, 255, 255}, {255, 0, 255},
    {255, 255, 0},   {224, 172, 140}, {255, 255, 255}, {128, 128, 128}, {0, 0, 0},
};

void Pixel(int x, int y, int width, int height, unsigned char* out) {
  const double u = (x + 0.5) / width, v = (y + 0.5) / height;  // v = 0 at the top
  const double horizon = 0.45 + 0.06 * std::sin(u * 7.0) + 0.03 * std::sin(u * 23.0 + 1.0);
  const double lakeTop = 0.70;
  double r, g, b;
  if (v > 0.88) {
    const int n = sizeof kPatches / sizeof kPatches[0];
    const int i = static_cast<int>(u * n) < n ? static_cast<int>(u * n) : n - 1;
    out[0] = kPatches[i][0];
    out[1] = kPatches[i][1];
    out[2] = kPatches[i][2];
    return;
  }
  if (v < horizon) {  // sky, lighter towards the horizon, with the sun
    const double t = v / horizon;
    r = 70 + 150 * t;
    g = 120 + 110 * t;
    b = 210 + 40 * t;
    const double dx = (u - 0.72) * width, dy = (v - 0.18) * height;
    const double d = std::sqrt(dx * dx + dy * dy) / (0.07 * height);
    const double glow = d < 1 ? 1 : std::exp(-(d - 1) * 2.5);
    r += (255 - r) * glow;
    g += (235 - g) * glow;
    b += (150 - b) * glow;
  } else if (v < lakeTop) {  // hills with texture
    const double t = (v - horizon) / (lakeTop - horizon);
    r = 60 + 50 * t + 25 * std::sin(u * 60.0) * (1 - t);
    g = 120 + 40 * std::sin(u * 9.0 + v * 14.0) - 30 * t;
    b = 40 + 20 * t;
    const double grain = Grain(x, y) * 18;
    r += grain;
    g += grain;
    b += grain * 0.5;
  } else {  // lake: the sky mirrored, darker, with ripples
    const double mirrored = 2 * lakeTop - v;
    const double t = mirrored / horizon;
    r = (70 + 150 * t) * 0.6;
    g = (120 + 110 * t) * 0.65;
    b = (210 + 40 * t) * 0.75;
    const double ripple = std::sin(v * height * 0.35 + std::sin(u * 40.0) * 3.0);
    r += ripple * 12;
    g += ripple * 12;
    b += ripple * 14;
  }
  out[0] = Clamp(r);
  out[1] = Clamp(g);
  out[2] = Clamp(b);
}

}  // namespace

std::vector<unsigned char> MakeTestPhoto(int width, int height) {
  std::vector<unsigned char> rgb;
  if (width <= 0 || height <= 0) return rgb;
  rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) Pixel(x, y, width, height, &rgb[(static_cast<size_t>(y) * width + x) * 3]);
  }
  return rgb;
}

bool WriteRgbPng(const std::string& path, const std::vector<unsigned char>& rgb, int width,
                 int height) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

bool WriteRgbRaster(const std::string& path, const std::vector<unsigned char>& rgb, int width,
                    int height, int pages, int copies, int dpiX, int dpiY) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3) return false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE_COMPRESSED);
  bool ok = raster != nullptr;
  for (int p = 0; ok && p < pages; ++p) {
    cups_page_header2_t h{};
    h.HWResolution[0] = static_cast<unsigned>(dpiX);
    h.HWResolution[1] = static_cast<unsigned>(dpiY);
    h.NumCopies = static_cast<unsigned>(copies);
    h.PageSize[0] = static_cast<unsigned>(width * 72 / dpiX);
    h.PageSize[1] = static_cast<unsigned>(height * 72 / dpiY);
    h.cupsWidth = static_cast<unsigned>(width);
    h.cupsHeight = static_cast<unsigned>(height);
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = 24;
    h.cupsBytesPerLine = static_cast<unsigned>(width) * 3;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = CUPS_CSPACE_RGB;
    ok = cupsRasterWriteHeader2(raster, &h) != 0;
    for (int y = 0; ok && y < height; ++y) {
      auto* line = const_cast<unsigned char*>(&rgb[static_cast<size_t>(y) * width * 3]);
      ok = cupsRasterWritePixels(raster, line, h.cupsBytesPerLine) == h.cupsBytesPerLine;
    }
  }
  if (raster != nullptr) cupsRasterClose(raster);
  return close(fd) == 0 && ok;
}

bool WriteRgbJpeg(const std::string& path, const std::vector<unsigned char>& rgb, int width, int height) {
  if (width <= 0 || height <= 0 || rgb.size() < static_cast<size_t>(width) * height * 3) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr error{};
  c.err = jpeg_std_error(&error);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, file);
  c.image_width = width;
  c.image_height = height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  c.density_unit = 1;
  c.X_density = c.Y_density = 300;
  jpeg_set_quality(&c, 92, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[static_cast<size_t>(c.next_scanline) * width * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(file) == 0;
}

}  // namespace kv71p
