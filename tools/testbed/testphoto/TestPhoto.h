// A photo-like test picture made by the project itself: a sky with a soft
// sun, hills with fine texture, a lake with reflections and a row of colour
// patches. The same size always gives the same pixels.
#pragma once

#include <string>
#include <vector>

namespace kv71p {

// `width` x `height` pixels of 8-bit RGB, rows from the top, 3 bytes per
// pixel without padding. Empty when a size is not positive.
std::vector<unsigned char> MakeTestPhoto(int width, int height);

// Writes an RGB picture (rows from the top) as a PNG file; false on failure.
bool WriteRgbPng(const std::string& path, const std::vector<unsigned char>& rgb, int width,
                 int height);

// Writes an RGB picture as a JPEG file of 300 pixels per inch (quality 92);
// false on failure.
bool WriteRgbJpeg(const std::string& path, const std::vector<unsigned char>& rgb, int width,
                  int height);

// Writes an RGB picture as a CUPS raster stream of `pages` identical pages
// (8-bit RGB, `dpiX` x `dpiY`, NumCopies `copies`); false on failure.
bool WriteRgbRaster(const std::string& path, const std::vector<unsigned char>& rgb, int width,
                    int height, int pages, int copies, int dpiX, int dpiY);

}  // namespace kv71p
