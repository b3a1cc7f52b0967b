// Saturation of 24-bit bitmaps through hue, chroma and lightness.
#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLibInternal.h"

namespace qlx {

void RgbToHsl(int32_t red, int32_t green, int32_t blue, double* hue, double* chroma,
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

void HslToRgb(unsigned char* red, unsigned char* green, unsigned char* blue, double hue,
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

}  // namespace qlx

namespace {

// What HslToRgb takes from the hue of a coloured pixel: its sector (0 ... 5,
// one per 60 degrees) and the middle value's factor, (hue - bound) / 60 or
// (bound - hue) / 60. Both depend only on which value is the minimum (the
// test order of RgbToHsl), the chroma C and the signed difference of the
// other two values, so they are computed once per process, with the same
// operations as the two conversions, for every C (1 ... 255) and difference
// (-C ... C).
class HueTable {
 public:
  HueTable() {
    static const double kOffset[3] = {60, 180, 300};  // minimum blue, red, green
    for (int kind = 0; kind < 3; ++kind) {
      for (int c = 1; c < 256; ++c) {
        for (int diff = -c; diff <= c; ++diff) {
          const double chroma = c;
          const double hue = diff * 60 / chroma + kOffset[kind];
          int sector;
          double factor;
          if (hue < 60) {
            sector = 0;
            factor = hue / 60;
          } else if (hue < 120) {
            sector = 1;
            factor = (120 - hue) / 60;
          } else if (hue < 180) {
            sector = 2;
            factor = (hue - 120) / 60;
          } else if (hue < 240) {
            sector = 3;
            factor = (240 - hue) / 60;
          } else if (hue < 300) {
            sector = 4;
            factor = (hue - 240) / 60;
          } else {
            sector = 5;
            factor = (360 - hue) / 60;
          }
          factor_[kind][Index(c, diff)] = factor;
          sector_[kind][Index(c, diff)] = static_cast<unsigned char>(sector);
        }
      }
    }
  }
  static int Index(int c, int diff) { return c * c + c + diff; }  // rows of 2C + 1 entries
  double factor(int kind, int index) const { return factor_[kind][index]; }
  int sector(int kind, int index) const { return sector_[kind][index]; }

 private:
  double factor_[3][65536];
  unsigned char sector_[3][65536];
};

const HueTable& Hues() {
  static const HueTable table;  // 1.7 MB of static storage, filled on first use
  return table;
}

// Which of top (0), middle (1) and bottom (2) each of red, green and blue
// receives in a sector.
const unsigned char kRoles[6][3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {0, 2, 1}};

}  // namespace

extern "C" int IL_ChangeBitmapSaturation(BITMAPHANDLE* bitmap, int32_t change) {
  if (bitmap == nullptr) return IL_ERR_NOIMAGE;
  if (bitmap->Data == nullptr || bitmap->BitsPerPixel != 24 || !qlx::IsChangeInRange(change) ||
      bitmap->ColorOrder > 1) {
    return IL_ERR_INVALID;
  }
  if (bitmap->Height <= 0 || bitmap->Width <= 0) return IL_OK;

  // The new chroma depends only on the old one: one table for the call.
  double newChroma[256];
  for (int c = 0; c < 256; ++c) {
    double v = static_cast<double>(c) * change / IL_CHANGE_LIMIT + c;
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    newChroma[c] = v;
  }

  // Per pixel: RgbToHsl, the new chroma, HslToRgb, with the hue's sector
  // and factor from the table; every other value is computed as the two
  // conversions do. A grey pixel comes back as its lightness truncated,
  // which is its own value.
  const HueTable& hues = Hues();
  const int redByte = bitmap->ColorOrder == 1 ? 2 : 0;
  const int blueByte = 2 - redByte;
  const int64_t stride = qlx::RowBytes(bitmap->Width, 24);
  for (int32_t row = 0; row < bitmap->Height; ++row) {
    unsigned char* p = bitmap->Data + row * stride;
    for (int32_t x = 0; x < bitmap->Width; ++x, p += 3) {
      const int red = p[redByte], green = p[1], blue = p[blueByte];
      int max = red > green ? red : green;
      if (blue > max) max = blue;
      int min = red < green ? red : green;
      if (blue < min) min = blue;
      if (max == min) continue;
      int kind, diff;
      if (min == blue) {
        kind = 0;
        diff = green - red;
      } else if (min == red) {
        kind = 1;
        diff = blue - green;
      } else {
        kind = 2;
        diff = red - blue;
      }
      const int c = max - min;
      const int index = HueTable::Index(c, diff);

      const double lightness = (max + min) * 0.5;
      const double half = newChroma[c] * 0.5;
      const double d = half > lightness ? lightness : (half + lightness > 255 ? 255 - lightness : half);
      const double top = lightness + d;
      const double bottom = lightness - d;
      const double span = top - bottom;
      const unsigned char values[3] = {static_cast<unsigned char>(static_cast<int>(top)),
                                       static_cast<unsigned char>(static_cast<int>(hues.factor(kind, index) * span + bottom)),
                                       static_cast<unsigned char>(static_cast<int>(bottom))};
      const unsigned char* roles = kRoles[hues.sector(kind, index)];
      p[redByte] = values[roles[0]];
      p[1] = values[roles[1]];
      p[blueByte] = values[roles[2]];
    }
  }
  return IL_OK;
}
