// Saturation through hue, chroma and lightness: the conversions, worked
// values, and the optimised operation against the literal one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TestBitmaps.h"

namespace {

struct Rgb {
  int r, g, b;
};

// One pixel (red, green, blue) through the operation, ColorOrder 1: red is
// byte 2.
Rgb Saturate(Rgb in, int change) {
  plain::Image image(1, 1);
  image.row(0)[2] = static_cast<unsigned char>(in.r);
  image.row(0)[1] = static_cast<unsigned char>(in.g);
  image.row(0)[0] = static_cast<unsigned char>(in.b);
  Bitmap bitmap;
  if (!MakeOwned(bitmap, image, 1) || IL_ChangeBitmapSaturation(&bitmap, change) != IL_OK) return {-1, -1, -1};
  return {bitmap.Data[2], bitmap.Data[1], bitmap.Data[0]};
}

TEST(Saturation, Checks) {
  EXPECT_EQ(IL_ERR_NOIMAGE, IL_ChangeBitmapSaturation(nullptr, 5000));
  Bitmap bitmap, empty;
  ASSERT_TRUE(MakeOwned(bitmap, RandomImage(3, 2, 1)));
  const plain::Image before = PixelsOf(bitmap);
  EXPECT_EQ(IL_ERR_INVALID, IL_ChangeBitmapSaturation(&empty, 0));
  EXPECT_EQ(IL_ERR_INVALID, IL_ChangeBitmapSaturation(&bitmap, 1001));
  EXPECT_EQ(IL_ERR_INVALID, IL_ChangeBitmapSaturation(&bitmap, -1001));
  bitmap.ColorOrder = 2;
  EXPECT_EQ(IL_ERR_INVALID, IL_ChangeBitmapSaturation(&bitmap, 10));
  bitmap.ColorOrder = 1;
  bitmap.BitsPerPixel = 8;
  EXPECT_EQ(IL_ERR_INVALID, IL_ChangeBitmapSaturation(&bitmap, 10));
  bitmap.BitsPerPixel = 24;
  EXPECT_TRUE(SamePixels(before, PixelsOf(bitmap)));
  bitmap.Height = 0;
  EXPECT_EQ(IL_OK, IL_ChangeBitmapSaturation(&bitmap, 10));
}

TEST(Saturation, WorkedValues) {
  struct {
    Rgb in;
    int change;
    Rgb out;
  } cases[] = {
      {{200, 100, 50}, -1000, {125, 125, 125}}, {{200, 100, 50}, 500, {237, 87, 12}},
      {{200, 100, 50}, 1000, {250, 83, 0}},     {{68, 32, 130}, 0, {67, 32, 130}},
      {{60, 253, 230}, 0, {60, 253, 229}},      {{255, 255, 0}, 700, {255, 255, 0}},
      {{255, 255, 0}, -300, {216, 216, 38}},    {{90, 90, 90}, 1000, {90, 90, 90}},
      {{0, 255, 255}, 0, {0, 255, 255}},        {{255, 0, 255}, 321, {255, 0, 255}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(std::to_string(tc.in.r) + "," + std::to_string(tc.in.g) + "," + std::to_string(tc.in.b) + " at " +
                 std::to_string(tc.change));
    const Rgb out = Saturate(tc.in, tc.change);
    EXPECT_EQ(tc.out.r, out.r);
    EXPECT_EQ(tc.out.g, out.g);
    EXPECT_EQ(tc.out.b, out.b);
  }
}

TEST(Saturation, ConversionsMatchLiteralOnEveryColour) {
  double hue, chroma, lightness, h, c, l;
  EXPECT_EQ((RGBtoHSL(200, 100, 50, &hue, &chroma, &lightness), 20.0), hue);
  EXPECT_EQ((RGBtoHSL(0, 128, 0, &hue, &chroma, &lightness), 120.0), hue);  // red = blue = min
  for (int v = 0; v < (1 << 24); ++v) {
    const int r = v >> 16, g = (v >> 8) & 255, b = v & 255;
    RGBtoHSL(r, g, b, &hue, &chroma, &lightness);
    plain::ToHsl(r, g, b, &h, &c, &l);
    ASSERT_TRUE(hue == h && chroma == c && lightness == l) << r << "," << g << "," << b;
    const double newChroma = std::min(255.0, chroma * 1.37);
    unsigned char out[3], expected[3];
    HSLtoRGB(&out[0], &out[1], &out[2], hue, newChroma, lightness);
    plain::FromHsl(&expected[0], &expected[1], &expected[2], hue, newChroma, lightness);
    ASSERT_TRUE(out[0] == expected[0] && out[1] == expected[1] && out[2] == expected[2]) << r << "," << g << "," << b;
  }
}

TEST(Saturation, GreysAndExtremesStayAtEveryChangeFromZero) {
  for (int change : {0, 1, 300, 1000}) {
    for (Rgb c : {Rgb{0, 0, 0}, Rgb{77, 77, 77}, Rgb{255, 0, 0}, Rgb{0, 255, 255}, Rgb{255, 255, 255}}) {
      const Rgb out = Saturate(c, change);
      EXPECT_EQ(c.r, out.r);
      EXPECT_EQ(c.g, out.g);
      EXPECT_EQ(c.b, out.b);
    }
  }
}

TEST(Saturation, MatchesLiteralOnRandomImages) {
  const int shapes[][2] = {{1, 1}, {2, 3}, {3, 2}, {5, 7}, {7, 5}, {1001, 3}, {3, 999}};
  const int changes[] = {-1000, -999, -500, -1, 0, 1, 300, 500, 999, 1000};
  unsigned seed = 300;
  for (const auto& s : shapes) {
    for (int change : changes) {
      for (int order : {0, 1}) {
        SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]) + " change " + std::to_string(change) +
                     " order " + std::to_string(order));
        plain::Image image = RandomImage(s[0], s[1], ++seed);
        Bitmap bitmap;
        ASSERT_TRUE(MakeOwned(bitmap, image, order));
        ASSERT_EQ(IL_OK, IL_ChangeBitmapSaturation(&bitmap, change));
        plain::Saturation(image, change, order);
        ASSERT_TRUE(SamePixels(image, PixelsOf(bitmap)));
      }
    }
  }
}

TEST(Saturation, MatchesLiteralOnEveryColour) {
  // All 2^24 colours once, at the change the benchmark uses and at two more.
  plain::Image image(4096, 4096);
  for (int y = 0; y < 4096; ++y) {
    for (int x = 0; x < 4096; ++x) {
      const int v = y * 4096 + x;
      image.row(y)[x * 3] = static_cast<unsigned char>(v);
      image.row(y)[x * 3 + 1] = static_cast<unsigned char>(v >> 8);
      image.row(y)[x * 3 + 2] = static_cast<unsigned char>(v >> 16);
    }
  }
  for (int change : {300, -650, 1000}) {
    SCOPED_TRACE(change);
    Bitmap bitmap;
    ASSERT_TRUE(MakeOwned(bitmap, image, 1));
    ASSERT_EQ(IL_OK, IL_ChangeBitmapSaturation(&bitmap, change));
    plain::Image expected = image;
    plain::Saturation(expected, change, 1);
    ASSERT_TRUE(SamePixels(expected, PixelsOf(bitmap)));
  }
}

}  // namespace
