#include "tests/support/PlainImaging.h"

#include <cmath>

#include "imaging/QlxImgLibInternal.h"

namespace plain {

double Kernel(double d) {
  double a = std::fabs(d);
  if (a <= 1) return a * a * a - 2 * a * a + 1;
  if (a <= 2) return -a * a * a + 5 * a * a - 8 * a + 4;
  return 0;
}

// The weighted sum of the taps t - 1 ... t + 2 around position p of a line
// of n values, t = p truncated; a tap outside the line takes value t.
template <class Value>
double Taps(double p, int n, Value value) {
  int t = (int)p;
  double sum = 0;
  for (int k = t - 1; k <= t + 2; k++) {
    double d = k - p;
    if (std::fabs(d) <= 2) sum += Kernel(d) * value(k < 0 || k >= n ? t : k);
  }
  return sum;
}

Image Size(const Image& source, int newWidth, int newHeight) {
  // Work array: every source row resampled to the new width.
  std::vector<double> work((size_t)source.height * newWidth * 3);
  double sx = (double)source.width / (double)newWidth, sy = (double)source.height / (double)newHeight;
  for (int y = 0; y < source.height; y++)
    for (int x = 0; x < newWidth; x++)
      for (int i = 0; i < 3; i++)
        work[((size_t)y * newWidth + x) * 3 + i] = Taps(sx * x, source.width, [&](int k) { return source.row(y)[k * 3 + i]; });
  Image out(newWidth, newHeight);
  for (int y = 0; y < newHeight; y++) {
    for (int x = 0; x < newWidth; x++) {
      for (int i = 0; i < 3; i++) {
        double sum = Taps(sy * y, source.height, [&](int r) { return work[((size_t)r * newWidth + x) * 3 + i]; });
        out.row(y)[x * 3 + i] = sum < 0 ? 0 : sum > 255 ? 255 : (unsigned char)(int)(sum + 0.5);
      }
    }
  }
  return out;
}

void Sharpen(Image& image, int change) {
  // The strength from the library's table (its rows are checked on worked values).
  double s = qlx::SharpenStrength(change), e = s / -9, c = s * 8 / 9 + 1;
  const Image copy = image;
  for (int r = 0; r < image.height; r++) {
    int rows[3] = {r > 0 ? r - 1 : r, r, r < image.height - 1 ? r + 1 : r};
    for (int j = 0; j < image.width; j++) {
      int cols[3] = {j > 0 ? j - 1 : j, j, j < image.width - 1 ? j + 1 : j};
      for (int k = 0; k < 3; k++) {
        double sum = 0;  // previous row left, centre, right; own row; next row
        for (int a = 0; a < 3; a++)
          for (int b = 0; b < 3; b++) sum += copy.row(rows[a])[cols[b] * 3 + k] * (a == 1 && b == 1 ? c : e);
        int v = (int)sum;
        image.row(r)[j * 3 + k] = v >= 256 ? 255 : v <= 0 ? 0 : (unsigned char)v;
      }
    }
  }
}

void Saturation(Image& image, int change, int colorOrder) {
  for (int y = 0; y < image.height; y++) {
    for (int x = 0; x < image.width; x++) {
      unsigned char* p = image.row(y) + x * 3;
      unsigned char* red = colorOrder == 1 ? &p[2] : &p[0];
      unsigned char* blue = colorOrder == 1 ? &p[0] : &p[2];
      double hue, chroma, lightness;
      qlx::RgbToHsl(*red, p[1], *blue, &hue, &chroma, &lightness);
      double newChroma = chroma * change / 1000 + chroma;
      qlx::HslToRgb(red, &p[1], blue, hue, newChroma < 0 ? 0 : newChroma > 255 ? 255 : newChroma, lightness);
    }
  }
}

}  // namespace plain
