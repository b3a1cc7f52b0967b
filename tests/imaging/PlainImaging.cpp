#include "PlainImaging.h"

#include <cmath>

namespace plain {

double Kernel(double d) {
  double a = std::fabs(d);
  if (a <= 1) return a * a * a - 2 * a * a + 1;
  if (a <= 2) return -a * a * a + 5 * a * a - 8 * a + 4;
  return 0;
}

Image Size(const Image& source, int newWidth, int newHeight) {
  const int width = source.width;
  const int height = source.height;
  // Work array: one row per source row, one triple per output column.
  std::vector<double> work(static_cast<size_t>(height) * newWidth * 3);
  double sx = (double)width / (double)newWidth;
  for (int y = 0; y < height; y++) {
    const unsigned char* row = source.bytes.data() + (size_t)y * (((width * 24 + 31) / 32) * 4);
    for (int x = 0; x < newWidth; x++) {
      double p = sx * x;
      int t = (int)p;
      double sum[3] = {0, 0, 0};
      for (int k = t - 1; k <= t + 2; k++) {
        double d = k - p;
        if (std::fabs(d) > 2) continue;
        double w = Kernel(d);
        int column = (k < 0 || k >= width) ? t : k;
        for (int i = 0; i < 3; i++) sum[i] += w * row[column * 3 + i];
      }
      for (int i = 0; i < 3; i++) work[((size_t)y * newWidth + x) * 3 + i] = sum[i];
    }
  }
  Image out(newWidth, newHeight);
  double sy = (double)height / (double)newHeight;
  for (int y = 0; y < newHeight; y++) {
    double p = sy * y;
    int t = (int)p;
    for (int x = 0; x < newWidth; x++) {
      double sum[3] = {0, 0, 0};
      for (int k = t - 1; k <= t + 2; k++) {
        double d = k - p;
        if (std::fabs(d) > 2) continue;
        double w = Kernel(d);
        int r = (k < 0 || k >= height) ? t : k;
        for (int i = 0; i < 3; i++) sum[i] += w * work[((size_t)r * newWidth + x) * 3 + i];
      }
      for (int i = 0; i < 3; i++) {
        unsigned char b;
        if (sum[i] < 0) b = 0;
        else if (sum[i] > 255) b = 255;
        else b = (unsigned char)(int)(sum[i] + 0.5);
        out.row(y)[x * 3 + i] = b;
      }
    }
  }
  return out;
}

static const int kKeys[21] = {-1000, -950, -900, -800, -500, -200, -100, -50, -1, 0, 1,
                              50,    100,  650,  700,  750,  800,  850,  900, 950, 1000};
static const double kStrengths[21] = {-1.0,  -0.75,    -0.5625, -0.39, -0.204, -0.135, -0.124,
                                      -0.119, -0.117,  0.0,     0.126, 0.14,   0.140625, 0.365,
                                      0.412, 0.5,      0.6046,  0.8203, 1.125, 2.25,   9.0};

double SharpenStrength(int change) {
  if (change == -1000) return -1.0;
  for (int i = 1; i < 21; i++) {
    if (kKeys[i] == change) return kStrengths[i];
    if (kKeys[i] > change)
      return (change - kKeys[i - 1]) * (kStrengths[i] - kStrengths[i - 1]) / (kKeys[i] - kKeys[i - 1]) +
             kStrengths[i - 1];
  }
  return 0;
}

void Sharpen(Image& image, int change) {
  double s = SharpenStrength(change);
  double e = s / -9;
  double c = s * 8 / 9 + 1;
  std::vector<unsigned char> copy = image.bytes;
  int stride = ((image.width * 24 + 31) / 32) * 4;
  for (int r = 0; r < image.height; r++) {
    int rows[3] = {r > 0 ? r - 1 : r, r, r < image.height - 1 ? r + 1 : r};
    for (int j = 0; j < image.width; j++) {
      int cols[3] = {j > 0 ? j - 1 : j, j, j < image.width - 1 ? j + 1 : j};
      for (int k = 0; k < 3; k++) {
        double sum = 0;
        bool first = true;
        for (int a = 0; a < 3; a++) {
          for (int b = 0; b < 3; b++) {
            double weight = (a == 1 && b == 1) ? c : e;
            double product = copy[(size_t)rows[a] * stride + cols[b] * 3 + k] * weight;
            if (first) sum = product; else sum += product;
            first = false;
          }
        }
        int v = (int)sum;
        if (v >= 256) v = 255;
        if (v <= 0) v = 0;
        image.bytes[(size_t)r * stride + j * 3 + k] = (unsigned char)v;
      }
    }
  }
}

void ToHsl(int red, int green, int blue, double* hue, double* chroma, double* lightness) {
  int max = red, min = red;
  if (green > max) max = green;
  if (blue > max) max = blue;
  if (green < min) min = green;
  if (blue < min) min = blue;
  *lightness = (max + min) * 0.5;
  *chroma = max - min;
  if (max == min) *hue = -1;
  else if (min == blue) *hue = (double)(green - red) * 60 / *chroma + 60;
  else if (min == red) *hue = (double)(blue - green) * 60 / *chroma + 180;
  else *hue = (double)(red - blue) * 60 / *chroma + 300;
}

void FromHsl(unsigned char* red, unsigned char* green, unsigned char* blue, double hue, double chroma,
                    double lightness) {
  if (hue < 0) {
    *red = *green = *blue = (unsigned char)(int)lightness;
    return;
  }
  double half = chroma * 0.5, d;
  if (half > lightness) d = lightness;
  else if (half + lightness > 255) d = 255 - lightness;
  else d = half;
  double top = lightness + d, bottom = lightness - d, span = top - bottom;
  double r, g, b;
  if (hue < 60) { r = top; g = hue / 60 * span + bottom; b = bottom; }
  else if (hue < 120) { r = (120 - hue) / 60 * span + bottom; g = top; b = bottom; }
  else if (hue < 180) { r = bottom; g = top; b = (hue - 120) / 60 * span + bottom; }
  else if (hue < 240) { r = bottom; g = (240 - hue) / 60 * span + bottom; b = top; }
  else if (hue < 300) { r = (hue - 240) / 60 * span + bottom; g = bottom; b = top; }
  else { r = top; g = bottom; b = (360 - hue) / 60 * span + bottom; }
  *red = (unsigned char)(int)r;
  *green = (unsigned char)(int)g;
  *blue = (unsigned char)(int)b;
}

void Saturation(Image& image, int change, int colorOrder) {
  int stride = ((image.width * 24 + 31) / 32) * 4;
  for (int y = 0; y < image.height; y++) {
    for (int x = 0; x < image.width; x++) {
      unsigned char* p = image.bytes.data() + (size_t)y * stride + x * 3;
      unsigned char* red = colorOrder == 1 ? &p[2] : &p[0];
      unsigned char* blue = colorOrder == 1 ? &p[0] : &p[2];
      double hue, chroma, lightness;
      ToHsl(*red, p[1], *blue, &hue, &chroma, &lightness);
      double newChroma = chroma * change / 1000 + chroma;
      if (newChroma < 0) newChroma = 0;
      if (newChroma > 255) newChroma = 255;
      FromHsl(red, &p[1], blue, hue, newChroma, lightness);
    }
  }
}

static unsigned char Clamp(int v) { return v >= 256 ? 255 : v <= 0 ? 0 : (unsigned char)v; }

void GammaTable(int gamma, unsigned char table[256]) {
  double exponent = 100.0 / (unsigned int)gamma;
  for (int i = 0; i < 256; i++) table[i] = Clamp((int)(std::pow(i / 255.0, exponent) * 255.0 + 0.5));
}

void IntensityTable(int change, unsigned char table[256]) {
  double offset = change * 0.2545 + 0.4286;
  if (change >= 0) offset += 0.5; else offset -= 0.5;
  for (int i = 0; i < 256; i++) table[i] = Clamp(i + (int)offset);
}

void ContrastTable(int change, unsigned char table[256]) {
  double factor = std::exp(change * 0.0007);
  for (int i = 0; i < 256; i++) table[i] = Clamp((int)((i - 64) * factor) + 64);
}

}  // namespace plain
