// Tone curves on plane palettes: checks, worked values, whole tables against
// the literal ones, composition.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "TestBitmaps.h"

namespace {

// An 8-bit plane over caller memory with an identity palette whose unused
// fourth bytes carry a marker.
struct Plane {
  unsigned char data[12] = {};
  unsigned char palette[1024];
  Bitmap bitmap;
  Plane() {
    for (int j = 0; j < 256; ++j) {
      palette[4 * j] = palette[4 * j + 1] = palette[4 * j + 2] = static_cast<unsigned char>(j);
      palette[4 * j + 3] = 0xEE;
    }
    IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, 3, 3, 8, 2, palette, IL_ROWORDER_BOTTOMUP, data, 12);
  }
  int entry(int j, int byte = 0) const { return palette[4 * j + byte]; }
};

using ToneOp = int (*)(_tagBITMAPHANDLE*, int32_t);

TEST(Tone, ChecksInOrder) {
  struct {
    const char* name;
    ToneOp op;
    int neutral, bad;
  } ops[] = {{"gamma", IL_GammaCorrectBitmap, 100, 0},
             {"intensity", IL_ChangeBitmapIntensity, 0, 1001},
             {"contrast", IL_ChangeBitmapContrast, 0, -1001}};
  for (const auto& op : ops) {
    SCOPED_TRACE(op.name);
    EXPECT_EQ(IL_ERR_NOIMAGE, op.op(nullptr, op.bad));
    Plane plane;
    Bitmap colour;
    ASSERT_TRUE(MakeOwned(colour, RandomImage(2, 2, 1)));
    EXPECT_EQ(IL_ERR_INVALID, op.op(&colour, op.neutral));
    EXPECT_EQ(IL_ERR_INVALID, op.op(&plane.bitmap, op.bad));
    plane.bitmap.Colors = 255;
    EXPECT_EQ(IL_ERR_INVALID, op.op(&plane.bitmap, op.neutral));
    plane.bitmap.Colors = 256;
    plane.bitmap.Palette = nullptr;
    EXPECT_EQ(IL_ERR_INVALID, op.op(&plane.bitmap, op.neutral));
    plane.bitmap.Palette = plane.palette;
    plane.bitmap.Data = nullptr;
    EXPECT_EQ(IL_ERR_INVALID, op.op(&plane.bitmap, op.neutral));
    plane.bitmap.Data = plane.data;
    EXPECT_EQ(IL_OK, op.op(&plane.bitmap, op.neutral));
    for (int j = 0; j < 256; ++j) ASSERT_EQ(j, plane.entry(j)) << "neutral value is the identity";
  }
}

TEST(Tone, WorkedValues) {
  struct {
    const char* what;
    ToneOp op;
    int value;
    std::vector<std::pair<int, int>> mapping;
  } cases[] = {
      {"gamma 200", IL_GammaCorrectBitmap, 200, {{64, 128}, {0, 0}, {255, 255}}},
      {"gamma 50", IL_GammaCorrectBitmap, 50, {{128, 64}, {255, 255}}},
      {"gamma -1", IL_GammaCorrectBitmap, -1, {{0, 0}, {1, 255}, {128, 255}}},
      {"intensity 1000", IL_ChangeBitmapIntensity, 1000, {{0, 255}, {128, 255}}},
      {"intensity -1000", IL_ChangeBitmapIntensity, -1000, {{254, 0}, {255, 1}, {0, 0}}},
      {"intensity -3", IL_ChangeBitmapIntensity, -3, {{10, 10}}},
      {"intensity 1", IL_ChangeBitmapIntensity, 1, {{10, 11}, {255, 255}}},
      {"intensity -4", IL_ChangeBitmapIntensity, -4, {{10, 9}, {0, 0}}},
      {"contrast 1000", IL_ChangeBitmapContrast, 1000, {{64, 64}, {0, 0}, {100, 136}, {158, 253}, {159, 255}}},
      {"contrast -1000", IL_ChangeBitmapContrast, -1000, {{0, 33}, {128, 95}, {255, 158}, {64, 64}}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    Plane plane;
    ASSERT_EQ(IL_OK, tc.op(&plane.bitmap, tc.value));
    for (const auto& m : tc.mapping) {
      for (int byte = 0; byte < 3; ++byte) EXPECT_EQ(m.second, plane.entry(m.first, byte)) << "value " << m.first;
    }
    EXPECT_EQ(0xEE, plane.entry(7, 3)) << "fourth byte untouched";
  }
}

TEST(Tone, WholeTablesMatchLiteralCurves) {
  using TableFn = void (*)(int, unsigned char*);
  struct {
    const char* name;
    ToneOp op;
    TableFn table;
    std::vector<int> values;
  } ops[] = {
      {"gamma", IL_GammaCorrectBitmap, plain::GammaTable, {1, 7, 33, 99, 100, 101, 150, 200, 1000, INT_MAX, -5, INT_MIN}},
      {"intensity", IL_ChangeBitmapIntensity, plain::IntensityTable, {-1000, -999, -5, -4, -3, -1, 0, 1, 2, 500, 999, 1000}},
      {"contrast", IL_ChangeBitmapContrast, plain::ContrastTable, {-1000, -999, -300, -1, 0, 1, 250, 777, 999, 1000}},
  };
  for (const auto& op : ops) {
    for (int value : op.values) {
      SCOPED_TRACE(std::string(op.name) + " " + std::to_string(value));
      unsigned char expected[256];
      op.table(value, expected);
      Plane plane;
      ASSERT_EQ(IL_OK, op.op(&plane.bitmap, value));
      for (int j = 0; j < 256; ++j) ASSERT_EQ(expected[j], plane.entry(j, j % 3)) << "entry " << j;
    }
  }
}

TEST(Tone, SuccessiveCurvesCompose) {
  Plane plane;
  ASSERT_EQ(IL_OK, IL_GammaCorrectBitmap(&plane.bitmap, 180));
  ASSERT_EQ(IL_OK, IL_ChangeBitmapIntensity(&plane.bitmap, -120));
  ASSERT_EQ(IL_OK, IL_ChangeBitmapContrast(&plane.bitmap, 400));
  unsigned char g[256], i[256], c[256];
  plain::GammaTable(180, g);
  plain::IntensityTable(-120, i);
  plain::ContrastTable(400, c);
  for (int j = 0; j < 256; ++j) ASSERT_EQ(c[i[g[j]]], plane.entry(j, 1)) << j;
}

TEST(Tone, ConvertLUT8TouchesOnlyColorsEntries) {
  Plane plane;
  unsigned char invert[256];
  for (int j = 0; j < 256; ++j) invert[j] = static_cast<unsigned char>(255 - j);
  plane.bitmap.Colors = 2;
  ConvertLUT8(&plane.bitmap, invert);
  EXPECT_EQ(255, plane.entry(0, 2));
  EXPECT_EQ(254, plane.entry(1, 0));
  EXPECT_EQ(2, plane.entry(2, 1));
  EXPECT_EQ(0xEE, plane.entry(1, 3));
  plane.bitmap.Colors = 0;
  ConvertLUT8(&plane.bitmap, invert);
  EXPECT_EQ(255, plane.entry(0, 0));
}

}  // namespace
