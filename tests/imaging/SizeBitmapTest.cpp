// Cubic resampling: worked values, checks, ownership, failure paths, and the
// optimised resampler against the literal one.
#include <gtest/gtest.h>

#include <string>

#include "TestBitmaps.h"

namespace {

plain::Image Row(std::initializer_list<int> values) {
  plain::Image image(static_cast<int>(values.size()), 1);
  int x = 0;
  for (int v : values) {
    for (int k = 0; k < 3; ++k) image.row(0)[x * 3 + k] = static_cast<unsigned char>(v);
    ++x;
  }
  return image;
}

TEST(SizeBitmap, OutOfRowTapsTakeColumnT) {
  Bitmap bitmap;
  ASSERT_TRUE(MakeOwned(bitmap, Row({0, 255})));
  ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, 4, 1, IL_SIZE_CUBIC));
  const plain::Image out = PixelsOf(bitmap);
  const int expected[4] = {0, 159, 255, 255};  // an edge-clamping filter would give 128 at column 1
  for (int x = 0; x < 4; ++x) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(expected[x], out.row(0)[x * 3 + k]) << "column " << x;
  }
}

TEST(SizeBitmap, KernelExpressionFormDecidesBytes) {
  // A ramp 0, 15, 31, ... 255 resized to 28 columns: the kernel as written
  // gives 202 at column 21 where Horner's form would give 201.
  plain::Image ramp(17, 1);
  for (int x = 0; x < 17; ++x) {
    for (int k = 0; k < 3; ++k) ramp.row(0)[x * 3 + k] = static_cast<unsigned char>(x * 255 / 16);
  }
  Bitmap bitmap;
  ASSERT_TRUE(MakeOwned(bitmap, ramp));
  ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, 28, 1, IL_SIZE_CUBIC));
  EXPECT_EQ(202, bitmap.Data[21 * 3]);
  EXPECT_TRUE(SamePixels(plain::Size(ramp, 28, 1), PixelsOf(bitmap)));
  EXPECT_EQ(0.0, plain::Kernel(1.0));
  EXPECT_EQ(0.0, plain::Kernel(2.0));
  EXPECT_EQ(-0.125, plain::Kernel(1.5));
  EXPECT_EQ(0.625, plain::Kernel(0.5));
}

TEST(SizeBitmap, SameSizeIsAnIdenticalCopyInNewMemory) {
  const plain::Image image = RandomImage(7, 5, 11);
  Bitmap bitmap;
  ASSERT_TRUE(MakeOwned(bitmap, image));
  const long live = QlxMemLiveBlocks();
  ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, 7, 5, IL_SIZE_CUBIC));
  EXPECT_TRUE(SamePixels(image, PixelsOf(bitmap)));
  EXPECT_EQ(live, QlxMemLiveBlocks()) << "old block released, new one kept";
  EXPECT_EQ(bitmap.Data, bitmap.MemHandle);
}

TEST(SizeBitmap, ChecksLeaveTheBitmapAlone) {
  Bitmap bitmap, empty, plane;
  ASSERT_TRUE(MakeOwned(bitmap, RandomImage(3, 3, 5)));
  unsigned char planeData[12] = {}, palette[1024] = {};
  ASSERT_EQ(IL_OK, IL_CreateBitmap(&plane, IL_RECORD_SIZE, IL_MEMORY_CALLER, 3, 3, 8, 2, palette,
                                   IL_ROWORDER_BOTTOMUP, planeData, 12));
  unsigned char* data = bitmap.Data;
  struct {
    const char* what;
    _tagBITMAPHANDLE* target;
    int w, h, method;
  } cases[] = {
      {"no bitmap", nullptr, 4, 4, 4}, {"no data", &empty, 4, 4, 4},   {"8 bits", &plane, 4, 4, 4},
      {"width 0", &bitmap, 0, 4, 4},   {"height -1", &bitmap, 4, -1, 4}, {"method 2", &bitmap, 4, 4, 2},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    EXPECT_EQ(IL_ERR_INVALID, IL_SizeBitmap(tc.target, tc.w, tc.h, tc.method));
  }
  bitmap.ColorOrder = 2;
  EXPECT_EQ(IL_ERR_INVALID, IL_SizeBitmap(&bitmap, 4, 4, IL_SIZE_CUBIC));
  bitmap.ColorOrder = 1;
  EXPECT_EQ(data, bitmap.Data);
  EXPECT_EQ(3, bitmap.Width);
}

TEST(SizeBitmap, BorrowedMemoryStaysTheCallers) {
  plain::Image image = RandomImage(5, 3, 9);
  const plain::Image original = image;
  Bitmap bitmap;
  ASSERT_EQ(IL_OK, IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, 5, 3, 24, 0, nullptr,
                                   IL_ROWORDER_BOTTOMUP, image.bytes.data(), image.bytes.size()));
  ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, 9, 7, IL_SIZE_CUBIC));
  EXPECT_NE(nullptr, bitmap.MemHandle);
  EXPECT_EQ(bitmap.MemHandle, bitmap.Data);
  EXPECT_EQ(0, bitmap.ColorOrder);
  EXPECT_EQ(28, bitmap.BytesPerLine);
  EXPECT_EQ(28u * 7, bitmap.Size);
  EXPECT_EQ(original.bytes, image.bytes);
  EXPECT_TRUE(SamePixels(plain::Size(original, 9, 7), PixelsOf(bitmap)));
}

TEST(SizeBitmap, RefusedMemoryLeavesTheBitmapUnchanged) {
  const plain::Image image = RandomImage(6, 4, 21);
  struct {
    const char* what;
    long failAlloc, failLock;
  } cases[] = {{"output block", 1, 0}, {"output lock", 0, 1}, {"work memory", 2, 0}, {"work lock", 0, 2}};
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    Bitmap bitmap;
    ASSERT_TRUE(MakeOwned(bitmap, image));
    unsigned char* data = bitmap.Data;
    const long live = QlxMemLiveBlocks();
    QlxMemFailNthAlloc(tc.failAlloc);
    QlxMemFailNthLock(tc.failLock);
    EXPECT_EQ(IL_ERR_NOMEM, IL_SizeBitmap(&bitmap, 11, 3, IL_SIZE_CUBIC));
    QlxMemFailNthAlloc(0);
    QlxMemFailNthLock(0);
    EXPECT_EQ(live, QlxMemLiveBlocks());
    EXPECT_EQ(data, bitmap.Data);
    EXPECT_EQ(data, bitmap.MemHandle);
    EXPECT_EQ(6, bitmap.Width);
    EXPECT_EQ(4, bitmap.Height);
    EXPECT_TRUE(SamePixels(image, PixelsOf(bitmap)));
  }
}

// Output sizes for a source dimension: same, odd up and down factors,
// non-integer ratios both ways.
std::vector<int> TargetsFor(int n) {
  std::vector<int> targets = {n, n * 3, n * 7 / 5 + 1, (n * 5 + 6) / 7, (n + 2) / 3, (n + 4) / 5, n + 2};
  for (int& t : targets) t = std::max(t, 1);
  return targets;
}

TEST(SizeBitmap, MatchesLiteralResamplerOnAwkwardShapes) {
  const int widths[] = {1, 2, 3, 5, 7, 1001};
  const int heights[] = {1, 2, 3, 999};
  unsigned seed = 100;
  for (int w : widths) {
    for (int h : heights) {
      const plain::Image image = RandomImage(w, h, ++seed);
      const std::vector<int> newWidths = TargetsFor(w);
      const std::vector<int> newHeights = TargetsFor(h);
      for (size_t i = 0; i < newWidths.size(); ++i) {
        // Every width target with every height target on small images; on
        // the large ones each width target is paired with two height targets.
        for (size_t j = 0; j < newHeights.size(); ++j) {
          const bool large = w * h > 10000;
          if (large && j != i % newHeights.size() && j != (i + 3) % newHeights.size()) continue;
          const int nw = newWidths[i];
          const int nh = newHeights[j];
          SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " -> " + std::to_string(nw) + "x" +
                       std::to_string(nh));
          const plain::Image expected = plain::Size(image, nw, nh);
          AtEveryVectorLevel([&] {
            Bitmap bitmap;
            ASSERT_TRUE(MakeOwned(bitmap, image, static_cast<int>(seed & 1)));
            ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, nw, nh, IL_SIZE_CUBIC));
            ASSERT_TRUE(SamePixels(expected, PixelsOf(bitmap)));
            for (int y = 0; y < nh; ++y) {
              for (int b = nw * 3; b < bitmap.BytesPerLine; ++b) {
                ASSERT_EQ(0, bitmap.Data[y * bitmap.BytesPerLine + b]);
              }
            }
          });
          if (HasFatalFailure()) return;
        }
      }
    }
  }
}

TEST(SizeBitmap, MatchesLiteralResamplerOnSmoothImages) {
  // Smooth content gives sums near the rounding and clamping edges more
  // often than noise does.
  plain::Image image(37, 23);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      for (int k = 0; k < 3; ++k) image.row(y)[x * 3 + k] = static_cast<unsigned char>((x * 7 + y * 11 + k * 85) % 256);
    }
  }
  const int sizes[][2] = {{2234, 3318}, {1224, 23}, {111, 69}, {13, 9}, {74, 46}, {38, 22}, {36, 24}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]));
    const plain::Image expected = plain::Size(image, s[0], s[1]);
    AtEveryVectorLevel([&] {
      Bitmap bitmap;
      ASSERT_TRUE(MakeOwned(bitmap, image));
      ASSERT_EQ(IL_OK, IL_SizeBitmap(&bitmap, s[0], s[1], IL_SIZE_CUBIC));
      ASSERT_TRUE(SamePixels(expected, PixelsOf(bitmap)));
    });
  }
}

}  // namespace
