// Cubic resampling: worked values and the optimised resampler against the
// literal one. (Checks and refused memory: ArgumentChecksTest; owned and
// borrowed pages: the colour pipeline's tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/imaging/TestBitmaps.h"

namespace {

// One row of grey pixels.
plain::Image Row(const std::vector<int>& values) {
  plain::Image image(static_cast<int>(values.size()), 1);
  for (size_t x = 0; x < values.size(); ++x)
    for (int k = 0; k < 3; ++k) image.row(0)[x * 3 + k] = static_cast<unsigned char>(values[x]);
  return image;
}

TEST(SizeBitmap, WorkedValues) {
  std::vector<int> ramp;
  for (int x = 0; x < 17; ++x) ramp.push_back(x * 255 / 16);
  const struct {
    const char* what;
    std::vector<int> row;
    int newWidth, column, expected;
  } cases[] = {
      // A tap outside the row takes column t: an edge-clamping filter gives 128.
      {"out-of-row taps", {0, 255}, 4, 1, 159},
      {"past the end", {0, 255}, 4, 3, 255},
      // The kernel as written; Horner's form would give 201.
      {"kernel form", ramp, 28, 21, 202},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    Bitmap bitmap;
    ASSERT_TRUE(MakeOwned(bitmap, Row(tc.row)));
    ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, tc.newWidth, 1, IL_SIZE_CUBIC));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(tc.expected, bitmap.Data[tc.column * 3 + k]);
    EXPECT_TRUE(SamePixels(plain::Size(Row(tc.row), tc.newWidth, 1), PixelsOf(bitmap)));
  }
}

// Compares the optimised resampler at every vector level with the literal one.
void ExpectLiteral(const plain::Image& image, int nw, int nh, int colorOrder) {
  SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height) + " -> " + std::to_string(nw) + "x" +
               std::to_string(nh));
  const plain::Image expected = plain::Size(image, nw, nh);
  AtEveryVectorLevel([&] {
    Bitmap bitmap;
    ASSERT_TRUE(MakeOwned(bitmap, image, colorOrder));
    ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, nw, nh, IL_SIZE_CUBIC));
    ASSERT_TRUE(SamePixels(expected, PixelsOf(bitmap)));
    for (int y = 0; y < nh; ++y)
      for (int b = nw * 3; b < bitmap.BytesPerLine; ++b) ASSERT_EQ(0, bitmap.Data[y * bitmap.BytesPerLine + b]) << "padding";
  });
}

TEST(SizeBitmap, MatchesLiteralResamplerOnAwkwardShapes) {
  // Same size, odd up and down factors, non-integer ratios both ways.
  auto targets = [](int n) {
    std::vector<int> t = {n, n * 3, n * 7 / 5 + 1, (n * 5 + 6) / 7, (n + 2) / 3, (n + 4) / 5, n + 2};
    for (int& v : t) v = std::max(v, 1);
    return t;
  };
  unsigned seed = 100;
  for (int w : {1, 2, 3, 5, 7, 1001}) {
    for (int h : {1, 2, 3, 999}) {
      const plain::Image image = RandomImage(w, h, ++seed);
      const std::vector<int> nws = targets(w), nhs = targets(h);
      // Every pairing on small images; two height targets per width target on large ones.
      for (size_t i = 0; i < nws.size(); ++i)
        for (size_t j = 0; j < nhs.size(); ++j)
          if (w * h <= 10000 || j == i % nhs.size() || j == (i + 3) % nhs.size()) {
            ExpectLiteral(image, nws[i], nhs[j], static_cast<int>(seed & 1));
            if (HasFatalFailure()) return;
          }
    }
  }
  // Smooth content reaches the rounding and clamping edges more often than noise.
  plain::Image smooth(37, 23);
  for (int y = 0; y < smooth.height; ++y)
    for (int x = 0; x < smooth.width * 3; ++x) smooth.row(y)[x] = static_cast<unsigned char>((x / 3 * 7 + y * 11 + x % 3 * 85) % 256);
  for (const auto& s : {std::make_pair(2234, 3318), std::make_pair(1224, 23), std::make_pair(111, 69),
                        std::make_pair(13, 9), std::make_pair(38, 22), std::make_pair(36, 24)})
    ExpectLiteral(smooth, s.first, s.second, 1);
}

}  // namespace
