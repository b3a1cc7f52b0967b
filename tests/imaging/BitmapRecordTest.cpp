// Bitmap records: creation checks and fields, copying. (Release of owned
// and borrowed memory is checked through every operation and the colour
// pipeline, whose tests count the memory layer's blocks.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/imaging/TestBitmaps.h"

namespace {

TEST(CreateBitmap, ChecksInOrderAndFields) {
  unsigned char data[64 * 3] = {}, palette[1024] = {};
  const uint64_t size24 = 16 * 2;  // 5 x 2 pixels, 16 bytes per row
  const struct {
    const char* what;
    bool withRecord;
    int recordSize, memoryKind, width, height, bpp, order;
    bool withPalette;
    int rowOrder;
    uint64_t size;  // 0: no data
    int expected;
    const char* fields;  // the record when made
  } cases[] = {
      {"no record", false, 375, 1, 0, 0, 3, 9, true, 0, 0, IL_ERR_INVALID, ""},
      {"record size 375", true, 375, 1, 0, 0, 3, 9, true, 0, 0, IL_ERR_RECORDSIZE, ""},
      {"memory kind 1", true, 376, 1, 5, 2, 24, 1, false, 4, size24, IL_ERR_INVALID, ""},
      {"width 0", true, 376, 2, 0, 2, 24, 1, false, 4, 1, IL_ERR_INVALID, ""},
      {"height 0", true, 376, 2, 5, 0, 24, 1, false, 4, 1, IL_ERR_INVALID, ""},
      {"negative sizes", true, 376, 2, -100, -4, 24, 1, false, 4, 1184, IL_ERR_INVALID, ""},
      {"1 bit", true, 376, 2, 5, 2, 1, 1, false, 4, 8, IL_ERR_INVALID, ""},
      {"16 bits", true, 376, 2, 5, 2, 16, 1, false, 4, 24, IL_ERR_INVALID, ""},
      {"32 bits", true, 376, 2, 5, 2, 32, 1, false, 4, 40, IL_ERR_INVALID, ""},
      {"12 bits", true, 376, 2, 5, 2, 12, 1, false, 4, 16, IL_ERR_DEPTH, ""},
      {"48 bits", true, 376, 2, 5, 2, 48, 1, false, 4, 64, IL_ERR_DEEPCOLOR, ""},
      {"64 bits", true, 376, 2, 5, 2, 64, 1, false, 4, 80, IL_ERR_DEEPCOLOR, ""},
      {"8 bits, order 0", true, 376, 2, 5, 2, 8, 0, true, 4, 16, IL_ERR_INVALID, ""},
      {"8 bits, no palette", true, 376, 2, 5, 2, 8, 2, false, 4, 16, IL_ERR_INVALID, ""},
      {"24 bits, palette", true, 376, 2, 5, 2, 24, 3, true, 4, size24, IL_ERR_DEPTH, ""},
      {"24 bits, order 3", true, 376, 2, 5, 2, 24, 3, false, 4, size24, IL_ERR_INVALID, ""},
      {"row order 1", true, 376, 2, 5, 2, 24, 1, false, 1, size24, IL_ERR_INVALID, ""},
      {"no data", true, 376, 2, 5, 2, 24, 1, false, 4, 0, IL_ERR_INVALID, ""},
      {"size one short", true, 376, 2, 5, 2, 24, 1, false, 4, size24 - 1, IL_ERR_INVALID, ""},
      {"size one over", true, 376, 2, 5, 2, 24, 1, false, 4, size24 + 1, IL_ERR_INVALID, ""},
      {"24 bits", true, 376, 2, 5, 2, 24, 1, false, 4, size24, IL_OK, "5x2 bpp 24 line 16 colors 0 order 1 rows 4 size 32"},
      {"24 bits, order 2", true, 376, 2, 5, 2, 24, 2, false, 4, size24, IL_OK, "5x2 bpp 24 line 16 colors 0 order 1 rows 4 size 32"},
      {"24 bits, order 0", true, 376, 2, 1, 3, 24, 0, false, 4, 12, IL_OK, "1x3 bpp 24 line 4 colors 0 order 0 rows 4 size 12"},
      {"24 bits, 4 wide", true, 376, 2, 4, 1, 24, 1, false, 4, 12, IL_OK, "4x1 bpp 24 line 12 colors 0 order 1 rows 4 size 12"},
      {"8 bits", true, 376, 2, 5, 2, 8, 2, true, 4, 16, IL_OK, "5x2 bpp 8 line 8 colors 256 order 0 rows 4 size 16"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    Bitmap bitmap;
    bitmap.Reserved[0] = 0x5a;
    EXPECT_EQ(tc.expected, IL_CreateBitmap(tc.withRecord ? &bitmap : nullptr, tc.recordSize, tc.memoryKind, tc.width,
                                           tc.height, tc.bpp, tc.order, tc.withPalette ? palette : nullptr,
                                           tc.rowOrder, tc.size ? data : nullptr, tc.size));
    EXPECT_EQ(tc.expected == IL_OK ? data : nullptr, bitmap.Data);
    EXPECT_EQ(tc.fields, tc.expected == IL_OK ? RecordFields(bitmap) : std::string());
    EXPECT_EQ(tc.withPalette && tc.expected == IL_OK ? palette : nullptr, bitmap.Palette);
    EXPECT_EQ(nullptr, bitmap.MemHandle);
    EXPECT_EQ(0x5a, bitmap.Reserved[0]);
  }
}

TEST(CopyBitmapData, ChecksAndCommonAreaAlignedTopLeft) {
  Bitmap a, empty, plane;
  ASSERT_TRUE(MakeOwned(a, RandomImage(5, 4, 1)));
  unsigned char planeData[32] = {}, palette[1024] = {};
  ASSERT_EQ(IL_OK, IL_CreateBitmap(&plane, IL_RECORD_SIZE, IL_MEMORY_CALLER, 5, 4, 8, 2, palette,
                                   IL_ROWORDER_BOTTOMUP, planeData, 32));
  EXPECT_EQ(IL_ERR_NOBITMAP, IL_CopyBitmapData(nullptr, &a));
  EXPECT_EQ(IL_ERR_NOBITMAP, IL_CopyBitmapData(&a, nullptr));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&a, &empty));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&empty, &a));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&a, &plane));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&plane, &a));

  const int shapes[][4] = {{5, 4, 5, 4}, {4, 10, 4, 6}, {4, 6, 4, 10}, {7, 5, 3, 5}, {3, 5, 7, 9}, {1, 1, 5, 3}, {6, 2, 2, 6}};
  for (const auto& s : shapes) {
    SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]) + " -> " + std::to_string(s[2]) + "x" + std::to_string(s[3]));
    const plain::Image source = RandomImage(s[0], s[1], 3);
    plain::Image expected = RandomImage(s[2], s[3], 4);
    Bitmap src, dst;
    ASSERT_TRUE(MakeOwned(src, source));
    ASSERT_TRUE(MakeOwned(dst, expected));
    // The top rows are the last stored ones.
    for (int r = 0; r < std::min(s[1], s[3]); ++r)
      std::memcpy(expected.row(s[3] - 1 - r), source.row(s[1] - 1 - r), static_cast<size_t>(std::min(s[0], s[2])) * 3);
    ASSERT_EQ(IL_OK, IL_CopyBitmapData(&dst, &src));
    EXPECT_TRUE(SamePixels(expected, PixelsOf(dst)));
  }
}

}  // namespace
