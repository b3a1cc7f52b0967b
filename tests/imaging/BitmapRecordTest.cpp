// Bitmap records: creation checks, ownership, copying, the memory layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBitmaps.h"

namespace {

TEST(CreateBitmap, ChecksInOrder) {
  unsigned char data[64 * 3] = {};
  unsigned char palette[1024] = {};
  const uint64_t size24 = 16 * 2;  // 5 x 2 pixels, 16 bytes per row
  struct {
    const char* what;
    bool withRecord;
    int recordSize, memoryKind, width, height, bpp, order;
    bool withPalette;
    int rowOrder;
    bool withData;
    uint64_t size;
    int expected;
  } cases[] = {
      {"no record", false, 375, 1, 0, 0, 3, 9, true, 0, false, 0, IL_ERR_INVALID},
      {"record size 375", true, 375, 1, 0, 0, 3, 9, true, 0, false, 0, IL_ERR_RECORDSIZE},
      {"memory kind 1", true, 376, 1, 5, 2, 24, 1, false, 4, true, size24, IL_ERR_INVALID},
      {"width 0", true, 376, 2, 0, 2, 24, 1, false, 4, true, 0, IL_ERR_INVALID},
      {"height 0", true, 376, 2, 5, 0, 24, 1, false, 4, true, 0, IL_ERR_INVALID},
      {"negative width", true, 376, 2, -100, -4, 24, 1, false, 4, true, 1184, IL_ERR_INVALID},
      {"1 bit", true, 376, 2, 5, 2, 1, 1, false, 4, true, 8, IL_ERR_INVALID},
      {"16 bits", true, 376, 2, 5, 2, 16, 1, false, 4, true, 24, IL_ERR_INVALID},
      {"32 bits", true, 376, 2, 5, 2, 32, 1, false, 4, true, 40, IL_ERR_INVALID},
      {"12 bits", true, 376, 2, 5, 2, 12, 1, false, 4, true, 16, IL_ERR_DEPTH},
      {"48 bits", true, 376, 2, 5, 2, 48, 1, false, 4, true, 64, IL_ERR_DEEPCOLOR},
      {"64 bits", true, 376, 2, 5, 2, 64, 1, false, 4, true, 80, IL_ERR_DEEPCOLOR},
      {"8 bits, order 0", true, 376, 2, 5, 2, 8, 0, true, 4, true, 16, IL_ERR_INVALID},
      {"8 bits, no palette", true, 376, 2, 5, 2, 8, 2, false, 4, true, 16, IL_ERR_INVALID},
      {"24 bits, palette", true, 376, 2, 5, 2, 24, 3, true, 4, true, size24, IL_ERR_DEPTH},
      {"24 bits, order 3", true, 376, 2, 5, 2, 24, 3, false, 4, true, size24, IL_ERR_INVALID},
      {"row order 1", true, 376, 2, 5, 2, 24, 1, false, 1, true, size24, IL_ERR_INVALID},
      {"no data", true, 376, 2, 5, 2, 24, 1, false, 4, false, size24, IL_ERR_INVALID},
      {"size one short", true, 376, 2, 5, 2, 24, 1, false, 4, true, size24 - 1, IL_ERR_INVALID},
      {"24 bits", true, 376, 2, 5, 2, 24, 1, false, 4, true, size24, IL_OK},
      {"8 bits", true, 376, 2, 5, 2, 8, 2, true, 4, true, 16, IL_OK},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    Bitmap bitmap;
    bitmap.Reserved[0] = 0x5a;
    const int status = IL_CreateBitmap(tc.withRecord ? &bitmap : nullptr, tc.recordSize, tc.memoryKind, tc.width,
                                       tc.height, tc.bpp, tc.order, tc.withPalette ? palette : nullptr, tc.rowOrder,
                                       tc.withData ? data : nullptr, tc.size);
    EXPECT_EQ(tc.expected, status);
    if (status != IL_OK) {
      EXPECT_EQ(nullptr, bitmap.Data) << "a refused call leaves the record alone";
    }
    EXPECT_EQ(0x5a, bitmap.Reserved[0]);
  }
  EXPECT_EQ(376u, sizeof(_tagBITMAPHANDLE));
}

TEST(CreateBitmap, FieldsOfTheRecord) {
  unsigned char data[16 * 3] = {};
  unsigned char palette[1024] = {};
  struct {
    int width, bpp, order;
    bool withPalette;
    int bytesPerLine, colors, storedOrder;
  } cases[] = {
      {1, 24, 0, false, 4, 0, 0},  {5, 24, 1, false, 16, 0, 1}, {5, 24, 2, false, 16, 0, 1},
      {5, 8, 2, true, 8, 256, 0},  {1, 8, 2, true, 4, 256, 0},  {4, 24, 2, false, 12, 0, 1},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(std::to_string(tc.width) + " px, " + std::to_string(tc.bpp) + " bits");
    Bitmap bitmap;
    const uint64_t size = static_cast<uint64_t>(tc.bytesPerLine) * 3;
    ASSERT_EQ(IL_OK, IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, tc.width, 3, tc.bpp, tc.order,
                                     tc.withPalette ? palette : nullptr, IL_ROWORDER_BOTTOMUP, data, size));
    EXPECT_EQ(nullptr, bitmap.MemHandle);
    EXPECT_EQ(data, bitmap.Data);
    EXPECT_EQ(tc.withPalette ? palette : nullptr, bitmap.Palette);
    EXPECT_EQ(tc.width, bitmap.Width);
    EXPECT_EQ(3, bitmap.Height);
    EXPECT_EQ(tc.bpp, bitmap.BitsPerPixel);
    EXPECT_EQ(tc.bytesPerLine, bitmap.BytesPerLine);
    EXPECT_EQ(tc.colors, bitmap.Colors);
    EXPECT_EQ(tc.storedOrder, bitmap.ColorOrder);
    EXPECT_EQ(IL_ROWORDER_BOTTOMUP, bitmap.RowOrder);
    EXPECT_EQ(size, bitmap.Size);
  }
}

TEST(FreeBitmap, BorrowedAndOwnedMemory) {
  const long live = QlxMemLiveBlocks();
  void* block = GlobalAlloc(0, 12);
  ASSERT_NE(nullptr, block);
  {
    Bitmap bitmap;
    ASSERT_EQ(IL_OK, IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, 1, 3, 24, 1, nullptr,
                                     IL_ROWORDER_BOTTOMUP, static_cast<unsigned char*>(block), 12));
    IL_FreeBitmap(&bitmap);  // borrowed: forgotten, not released
    EXPECT_EQ(nullptr, bitmap.Data);
    EXPECT_EQ(1, bitmap.Width);
    EXPECT_EQ(live + 1, QlxMemLiveBlocks());

    ASSERT_EQ(IL_OK, IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, 1, 3, 24, 1, nullptr,
                                     IL_ROWORDER_BOTTOMUP, static_cast<unsigned char*>(block), 12));
    bitmap.MemHandle = bitmap.Data;  // handed over
    IL_FreeBitmap(&bitmap);
    EXPECT_EQ(live, QlxMemLiveBlocks());
    EXPECT_EQ(nullptr, bitmap.MemHandle);
    EXPECT_EQ(nullptr, bitmap.Data);
    EXPECT_EQ(nullptr, bitmap.Palette);
    EXPECT_EQ(3, bitmap.Height);
    IL_FreeBitmap(&bitmap);  // twice: harmless
  }
  IL_FreeBitmap(nullptr);
  EXPECT_EQ(live, QlxMemLiveBlocks());
}

TEST(CopyBitmapData, ChecksAndSameSize) {
  Bitmap a, b, empty, plane;
  ASSERT_TRUE(MakeOwned(a, RandomImage(5, 4, 1)));
  ASSERT_TRUE(MakeOwned(b, RandomImage(5, 4, 2)));
  unsigned char planeData[32] = {};
  unsigned char palette[1024] = {};
  ASSERT_EQ(IL_OK, IL_CreateBitmap(&plane, IL_RECORD_SIZE, IL_MEMORY_CALLER, 5, 4, 8, 2, palette,
                                   IL_ROWORDER_BOTTOMUP, planeData, 32));
  EXPECT_EQ(IL_ERR_NOBITMAP, IL_CopyBitmapData(nullptr, &a));
  EXPECT_EQ(IL_ERR_NOBITMAP, IL_CopyBitmapData(&a, nullptr));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&a, &empty));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&empty, &a));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&a, &plane));
  EXPECT_EQ(IL_ERR_INVALID, IL_CopyBitmapData(&plane, &a));

  ASSERT_EQ(IL_OK, IL_CopyBitmapData(&b, &a));
  EXPECT_EQ(0, std::memcmp(a.Data, b.Data, a.Size));
}

TEST(CopyBitmapData, CommonAreaAlignedTopLeft) {
  struct {
    int srcW, srcH, dstW, dstH;
  } cases[] = {{4, 10, 4, 6}, {4, 6, 4, 10}, {7, 5, 3, 5}, {3, 5, 7, 9}, {1, 1, 5, 3}, {6, 2, 2, 6}};
  for (const auto& tc : cases) {
    SCOPED_TRACE(std::to_string(tc.srcW) + "x" + std::to_string(tc.srcH) + " -> " + std::to_string(tc.dstW) + "x" +
                 std::to_string(tc.dstH));
    const plain::Image source = RandomImage(tc.srcW, tc.srcH, 3);
    plain::Image expected = RandomImage(tc.dstW, tc.dstH, 4);
    Bitmap src, dst;
    ASSERT_TRUE(MakeOwned(src, source));
    ASSERT_TRUE(MakeOwned(dst, expected));
    // Top-left alignment: the top rows are the last stored ones.
    const int rows = std::min(tc.srcH, tc.dstH);
    const int columns = std::min(tc.srcW, tc.dstW);
    for (int r = 0; r < rows; ++r) {
      std::memcpy(expected.row(tc.dstH - 1 - r), source.row(tc.srcH - 1 - r), static_cast<size_t>(columns) * 3);
    }
    ASSERT_EQ(IL_OK, IL_CopyBitmapData(&dst, &src));
    EXPECT_TRUE(SamePixels(expected, PixelsOf(dst)));
  }
}

TEST(MemoryLayer, MulDivTruncates) {
  struct {
    int a, b, c, expected;
  } cases[] = {{7, 3, 2, 10},           {-7, 3, 2, -10},     {7, -3, -2, 10},   {2448, 3636, 2448, 3636},
               {65536, 65536, 65536, 65536}, {1, 1, 0, -1}, {INT32_MAX, 2, 1, -1}, {INT32_MIN, 1, 1, INT32_MIN}};
  for (const auto& tc : cases) EXPECT_EQ(tc.expected, MulDiv(tc.a, tc.b, tc.c)) << tc.a << "*" << tc.b << "/" << tc.c;
}

TEST(MemoryLayer, RefusesTheNthCallOnce) {
  const long live = QlxMemLiveBlocks();
  const long calls = QlxMemAllocCalls();
  QlxMemFailNthAlloc(2);
  void* first = GlobalAlloc(0, 8);
  void* second = GlobalAlloc(0, 8);
  void* third = GlobalAlloc(0, 8);
  EXPECT_NE(nullptr, first);
  EXPECT_EQ(nullptr, second);
  EXPECT_NE(nullptr, third);
  EXPECT_EQ(calls + 3, QlxMemAllocCalls());
  EXPECT_EQ(live + 2, QlxMemLiveBlocks());
  QlxMemFailNthLock(1);
  EXPECT_EQ(nullptr, GlobalLock(first));
  EXPECT_EQ(first, GlobalLock(first));
  EXPECT_EQ(0, GlobalUnlock(first));
  EXPECT_EQ(nullptr, GlobalFree(first));
  GlobalFree(third);
  GlobalFree(nullptr);
  EXPECT_EQ(live, QlxMemLiveBlocks());

  unsigned char bytes[4] = {1, 2, 3, 4};
  unsigned char copy[4] = {};
  EXPECT_EQ(copy, CopyMemory(copy, bytes, 4));
  EXPECT_EQ(0, std::memcmp(copy, bytes, 4));
  EXPECT_EQ(bytes, ZeroMemory(bytes, 3));
  EXPECT_EQ(std::vector<unsigned char>({0, 0, 0, 4}), std::vector<unsigned char>(bytes, bytes + 4));
}

}  // namespace
