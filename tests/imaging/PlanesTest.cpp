// Plane separation and merging: records, checks, round trips, failure paths.
#include <gtest/gtest.h>

#include <string>

#include "tests/imaging/TestBitmaps.h"

namespace {

TEST(Planes, RoundTripsOnAwkwardShapes) {
  unsigned seed = 700;
  for (int w : {1, 2, 3, 5, 7, 1001}) {
    for (int h : {1, 2, 3, 999}) {
      for (int order : {0, 1}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " order " + std::to_string(order));
        const plain::Image image = RandomImage(w, h, ++seed);
        Bitmap source, result;
        ASSERT_TRUE(MakeOwned(source, image, order));
        Planes planes;
        ASSERT_EQ(IL_OK, IL_ColorSeparateBitmap(&source, planes.list, IL_RECORD_SIZE, 0));
        ASSERT_EQ(IL_OK, IL_ColorMergeBitmap(&result, planes.list, IL_RECORD_SIZE, 0));
        EXPECT_EQ(result.Data, result.MemHandle);
        source.ColorOrder = 1;
        EXPECT_EQ(RecordFields(source), RecordFields(result));
        plain::Image expected = image;
        for (int y = 0; y < h && order == 0; ++y)  // bytes 0 and 2 exchanged
          for (int x = 0; x < w; ++x) std::swap(expected.row(y)[x * 3], expected.row(y)[x * 3 + 2]);
        ASSERT_TRUE(SamePixels(expected, PixelsOf(result)));
      }
    }
  }
}

TEST(Planes, SeparatedRecordsAndMergeThroughPalettes) {
  const plain::Image image = RandomImage(5, 3, 9);
  Bitmap source, result;
  ASSERT_TRUE(MakeOwned(source, image, 1));
  Planes planes;
  ASSERT_EQ(IL_OK, IL_ColorSeparateBitmap(&source, planes.list, IL_RECORD_SIZE, 0));
  for (int k = 0; k < 3; ++k) {
    BITMAPHANDLE& p = planes.p[k];
    EXPECT_EQ(p.Data, p.MemHandle);
    EXPECT_EQ(p.Data + 24, p.Palette);
    EXPECT_EQ("5x3 bpp 8 line 8 colors 256 order 0 rows 4 size 24", RecordFields(p));
    // An identity palette; plane k's pixels then go through byte k of its
    // entries, the other bytes being noise.
    for (int j = 0; j < 256; ++j) {
      for (int b = 0; b < 3; ++b) ASSERT_EQ(j, p.Palette[4 * j + b]);
      for (int b = 0; b < 4; ++b) p.Palette[4 * j + b] = static_cast<unsigned char>(b == k ? j * 7 + k : 99);
    }
  }
  ASSERT_EQ(IL_OK, IL_ColorMergeBitmap(&result, planes.list, IL_RECORD_SIZE, 0));
  plain::Image expected = image;
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 5 * 3; ++i) expected.row(y)[i] = static_cast<unsigned char>(expected.row(y)[i] * 7 + i % 3);
  EXPECT_TRUE(SamePixels(expected, PixelsOf(result)));
}

}  // namespace
