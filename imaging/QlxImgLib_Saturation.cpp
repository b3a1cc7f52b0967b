// Saturation of 24-bit bitmaps through hue, chroma and lightness.
#include "QlxImgLib.h"
#include "QlxImgLibInternal.h"

extern "C" void RGBtoHSL(int32_t red, int32_t green, int32_t blue, double* hue, double* chroma,
                         double* lightness) {
  int32_t max = red > green ? red : green;
  if (blue > max) max = blue;
  int32_t min = red < green ? red : green;
  if (blue < min) min = blue;
  *lightness = (max + min) * 0.5;
  const double c = max - min;
  *chroma = c;
  if (max == min) {
    *hue = -1;
  } else if (min == blue) {
    *hue = (green - red) * 60 / c + 60;
  } else if (min == red) {
    *hue = (blue - green) * 60 / c + 180;
  } else {
    *hue = (red - blue) * 60 / c + 300;
  }
}

extern "C" void HSLtoRGB(unsigned char* red, unsigned char* green, unsigned char* blue, double hue,
                         double chroma, double lightness) {
  if (hue < 0) {
    *red = *green = *blue = static_cast<unsigned char>(static_cast<int>(lightness));
    return;
  }
  // Limit the chroma so that no value leaves 0 ... 255 at this lightness.
  const double half = chroma * 0.5;
  double d;
  if (half > lightness) {
    d = lightness;
  } else if (half + lightness > 255) {
    d = 255 - lightness;
  } else {
    d = half;
  }
  const double top = lightness + d;
  const double bottom = lightness - d;
  const double span = top - bottom;
  double r, g, b;
  if (hue < 60) {
    r = top;
    g = hue / 60 * span + bottom;
    b = bottom;
  } else if (hue < 120) {
    r = (120 - hue) / 60 * span + bottom;
    g = top;
    b = bottom;
  } else if (hue < 180) {
    r = bottom;
    g = top;
    b = (hue - 120) / 60 * span + bottom;
  } else if (hue < 240) {
    r = bottom;
    g = (240 - hue) / 60 * span + bottom;
    b = top;
  } else if (hue < 300) {
    r = (hue - 240) / 60 * span + bottom;
    g = bottom;
    b = top;
  } else {
    r = top;
    g = bottom;
    b = (360 - hue) / 60 * span + bottom;
  }
  *red = static_cast<unsigned char>(static_cast<int>(r));
  *green = static_cast<unsigned char>(static_cast<int>(g));
  *blue = static_cast<unsigned char>(static_cast<int>(b));
}

extern "C" int IL_ChangeBitmapSaturation(_tagBITMAPHANDLE* bitmap, int32_t change) {
  if (bitmap == nullptr) return IL_ERR_NOIMAGE;
  if (bitmap->Data == nullptr || bitmap->BitsPerPixel != 24 || change < -1000 || change > 1000 ||
      bitmap->ColorOrder > 1) {
    return IL_ERR_INVALID;
  }
  if (bitmap->Height <= 0 || bitmap->Width <= 0) return IL_OK;

  // The new chroma depends only on the old one: one table for the call.
  double newChroma[256];
  for (int c = 0; c < 256; ++c) {
    double v = static_cast<double>(c) * change / 1000 + c;
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    newChroma[c] = v;
  }

  const int redByte = bitmap->ColorOrder == 1 ? 2 : 0;
  const int blueByte = 2 - redByte;
  const int64_t stride = qlx::RowBytes(bitmap->Width, 24);
  for (int32_t row = 0; row < bitmap->Height; ++row) {
    unsigned char* p = bitmap->Data + row * stride;
    for (int32_t x = 0; x < bitmap->Width; ++x, p += 3) {
      double hue, chroma, lightness;
      RGBtoHSL(p[redByte], p[1], p[blueByte], &hue, &chroma, &lightness);
      HSLtoRGB(&p[redByte], &p[1], &p[blueByte], hue, newChroma[static_cast<int>(chroma)], lightness);
    }
  }
  return IL_OK;
}
