// Saturation through hue, chroma and lightness: checks, worked values, and
// the optimised operation against the literal conversions on every colour.
#include <gtest/gtest.h>

#include <string>

#include "imaging/QlxImgLibInternal.h"
#include "tests/imaging/TestBitmaps.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << c.r << "," << c.g << "," << c.b; }

// One pixel (red, green, blue) through the operation, ColorOrder 1: red is
// byte 2.
Rgb Saturate(Rgb in, int change) {
  plain::Image image(1, 1);
  image.row(0)[2] = static_cast<unsigned char>(in.r);
  image.row(0)[1] = static_cast<unsigned char>(in.g);
  image.row(0)[0] = static_cast<unsigned char>(in.b);
  const plain::Image out = Through(image, [&](BITMAPHANDLE* b) { return IL_ChangeBitmapSaturation(b, change); });
  return out.width != 1 ? Rgb{-1, -1, -1} : Rgb{out.row(0)[2], out.row(0)[1], out.row(0)[0]};
}

TEST(Saturation, WorkedValues) {
  const struct {
    Rgb in;
    int change;
    Rgb out;
  } cases[] = {
      {{200, 100, 50}, -1000, {125, 125, 125}}, {{200, 100, 50}, 500, {237, 87, 12}},
      {{200, 100, 50}, 1000, {250, 83, 0}},     {{68, 32, 130}, 0, {67, 32, 130}},
      {{60, 253, 230}, 0, {60, 253, 229}},      {{255, 255, 0}, 700, {255, 255, 0}},
      {{255, 255, 0}, -300, {216, 216, 38}},    {{255, 0, 255}, 321, {255, 0, 255}},
  };
  for (const auto& tc : cases) EXPECT_EQ(tc.out, Saturate(tc.in, tc.change)) << tc.in << " at " << tc.change;
  // Greys and colours of 0 and 255 only come back unchanged from 0 upward.
  for (int change : {0, 1, 300, 1000})
    for (Rgb c : {Rgb{0, 0, 0}, Rgb{77, 77, 77}, Rgb{255, 0, 0}, Rgb{0, 255, 255}, Rgb{255, 255, 255}})
      EXPECT_EQ(c, Saturate(c, change)) << change;
  double hue, chroma, lightness;
  qlx::RgbToHsl(200, 100, 50, &hue, &chroma, &lightness);
  EXPECT_EQ("20 150 125", std::to_string(int(hue)) + " " + std::to_string(int(chroma)) + " " + std::to_string(int(lightness)));
  qlx::RgbToHsl(0, 128, 0, &hue, &chroma, &lightness);
  EXPECT_EQ(120.0, hue) << "red = blue = min";
}

TEST(Saturation, MatchesLiteralOnAwkwardShapes) {
  const int shapes[][2] = {{1, 1}, {2, 3}, {3, 2}, {5, 7}, {7, 5}, {1001, 3}, {3, 999}};
  unsigned seed = 300;
  for (const auto& s : shapes) {
    for (int change : {-1000, -999, -500, -1, 0, 1, 300, 999, 1000}) {
      for (int order : {0, 1}) {
        SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]) + " change " + std::to_string(change) +
                     " order " + std::to_string(order));
        plain::Image image = RandomImage(s[0], s[1], ++seed);
        const auto saturate = [&](BITMAPHANDLE* b) { return IL_ChangeBitmapSaturation(b, change); };
        const plain::Image out = Through(image, saturate, order);
        plain::Saturation(image, change, order);
        ASSERT_TRUE(SamePixels(image, out));
      }
    }
  }
}

TEST(Saturation, MatchesLiteralOnEveryColour) {
  plain::Image image(4096, 4096);
  for (int v = 0; v < (1 << 24); ++v)
    for (int k = 0; k < 3; ++k) image.row(v >> 12)[(v & 4095) * 3 + k] = static_cast<unsigned char>(v >> (8 * k));
  for (int change : {300, -650, 1000}) {
    SCOPED_TRACE(change);
    plain::Image expected = image;
    plain::Saturation(expected, change, 1);
    const auto saturate = [&](BITMAPHANDLE* b) { return IL_ChangeBitmapSaturation(b, change); };
    ASSERT_TRUE(SamePixels(expected, Through(image, saturate)));
  }
}

}  // namespace
