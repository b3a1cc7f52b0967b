#include "PlainImaging.h"

#include <cmath>

#include "QlxImgLib.h"

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

void Saturation(Image& image, int change, int colorOrder) {
  int stride = ((image.width * 24 + 31) / 32) * 4;
  for (int y = 0; y < image.height; y++) {
    for (int x = 0; x < image.width; x++) {
      unsigned char* p = image.bytes.data() + (size_t)y * stride + x * 3;
      unsigned char* red = colorOrder == 1 ? &p[2] : &p[0];
      unsigned char* blue = colorOrder == 1 ? &p[0] : &p[2];
      double hue, chroma, lightness;
      RGBtoHSL(*red, p[1], *blue, &hue, &chroma, &lightness);
      double newChroma = chroma * change / 1000 + chroma;
      if (newChroma < 0) newChroma = 0;
      if (newChroma > 255) newChroma = 255;
      HSLtoRGB(red, &p[1], blue, hue, newChroma, lightness);
    }
  }
}

}  // namespace plain
