// Every operation refuses what it cannot work on, with the status code of
// the first check that fails, and memory it cannot obtain (or lock); either
// way it leaves every bitmap as it was and keeps no block.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/imaging/TestBitmaps.h"

namespace {

TEST(ImageOperations, RefuseWhatTheyCannotWorkOnAndChangeNothing) {
  const plain::Image image = RandomImage(5, 2, 1);
  Bitmap colour, turned, empty, result;
  ASSERT_TRUE(MakeOwned(colour, image));
  ASSERT_TRUE(MakeOwned(turned, image));
  turned.ColorOrder = 2;
  BITMAPHANDLE noRows = colour;
  noRows.Height = 0;
  Plane plane, noPalette, fewColors, noData;
  noPalette.bitmap.Palette = nullptr;
  fewColors.bitmap.Colors = 255;
  noData.bitmap.Data = nullptr;
  Planes made, fresh;
  ASSERT_EQ(IL_OK, IL_ColorSeparateBitmap(&colour, made.list, IL_RECORD_SIZE, 0));
  BITMAPHANDLE* firstMissing[3] = {nullptr, &fresh.p[1], &fresh.p[2]};
  BITMAPHANDLE* lastMissing[3] = {&fresh.p[0], &fresh.p[1], nullptr};
  BITMAPHANDLE* withEmpty[3] = {&made.p[0], &empty, &made.p[2]};
  BITMAPHANDLE* withNull[3] = {&made.p[0], &made.p[1], nullptr};
  const auto size = [](BITMAPHANDLE* b, int w, int h, int m) { return [=] { return IL_SizeBitmap(b, w, h, m); }; };
  const struct {
    const char* what;
    std::function<int()> op;
    int expected;
  } cases[] = {
      {"size: no bitmap", size(nullptr, 4, 4, 4), IL_ERR_INVALID},     {"size: no data", size(&empty, 4, 4, 4), IL_ERR_INVALID},
      {"size: 8 bits", size(&plane.bitmap, 4, 4, 4), IL_ERR_INVALID},  {"size: order 2", size(&turned, 4, 4, 4), IL_ERR_INVALID},
      {"size: width 0", size(&colour, 0, 4, 4), IL_ERR_INVALID},       {"size: height -1", size(&colour, 4, -1, 4), IL_ERR_INVALID},
      {"size: method 2", size(&colour, 4, 4, 2), IL_ERR_INVALID},
      {"saturation: no bitmap", [] { return IL_ChangeBitmapSaturation(nullptr, 5000); }, IL_ERR_NOIMAGE},
      {"saturation: no data", [&] { return IL_ChangeBitmapSaturation(&empty, 0); }, IL_ERR_INVALID},
      {"saturation: 1001", [&] { return IL_ChangeBitmapSaturation(&colour, 1001); }, IL_ERR_INVALID},
      {"saturation: -1001", [&] { return IL_ChangeBitmapSaturation(&colour, -1001); }, IL_ERR_INVALID},
      {"saturation: order 2", [&] { return IL_ChangeBitmapSaturation(&turned, 10); }, IL_ERR_INVALID},
      {"saturation: 8 bits", [&] { return IL_ChangeBitmapSaturation(&plane.bitmap, 10); }, IL_ERR_INVALID},
      {"saturation: no rows", [&] { return IL_ChangeBitmapSaturation(&noRows, 10); }, IL_OK},
      {"sharpen: no bitmap", [] { return IL_SharpenBitmap(nullptr, 0); }, IL_ERR_NOBITMAP},
      {"sharpen: no data", [&] { return IL_SharpenBitmap(&empty, 0); }, IL_ERR_NOBITMAP},
      {"sharpen: 8 bits", [&] { return IL_SharpenBitmap(&plane.bitmap, 0); }, IL_ERR_INVALID},
      {"sharpen: 1001", [&] { return IL_SharpenBitmap(&colour, 1001); }, IL_ERR_INVALID},
      {"sharpen: -1001", [&] { return IL_SharpenBitmap(&colour, -1001); }, IL_ERR_INVALID},
      {"sharpen: order 2", [&] { return IL_SharpenBitmap(&turned, 10); }, IL_ERR_INVALID},
      {"separate: no bitmap", [&] { return IL_ColorSeparateBitmap(nullptr, fresh.list, 375, 0); }, IL_ERR_INVALID},
      {"separate: record size", [&] { return IL_ColorSeparateBitmap(&colour, fresh.list, 375, 0); }, IL_ERR_RECORDSIZE},
      {"separate: no data", [&] { return IL_ColorSeparateBitmap(&empty, fresh.list, 376, 0); }, IL_ERR_INVALID},
      {"separate: no list", [&] { return IL_ColorSeparateBitmap(&colour, nullptr, 376, 0); }, IL_ERR_INVALID},
      {"separate: no plane 0", [&] { return IL_ColorSeparateBitmap(&colour, firstMissing, 376, 0); }, IL_ERR_INVALID},
      {"separate: flags", [&] { return IL_ColorSeparateBitmap(&colour, fresh.list, 376, 1); }, IL_ERR_INVALID},
      {"separate: no plane 2", [&] { return IL_ColorSeparateBitmap(&colour, lastMissing, 376, 0); }, IL_ERR_INVALID},
      {"separate: order 2", [&] { return IL_ColorSeparateBitmap(&turned, fresh.list, 376, 0); }, IL_ERR_INVALID},
      {"merge: no bitmap", [&] { return IL_ColorMergeBitmap(nullptr, made.list, 375, 0); }, IL_ERR_INVALID},
      {"merge: record size", [&] { return IL_ColorMergeBitmap(&result, made.list, 375, 0); }, IL_ERR_RECORDSIZE},
      {"merge: no list", [&] { return IL_ColorMergeBitmap(&result, nullptr, 376, 0); }, IL_ERR_INVALID},
      {"merge: empty plane", [&] { return IL_ColorMergeBitmap(&result, withEmpty, 376, 0); }, IL_ERR_NOBITMAP},
      {"merge: no plane, flags", [&] { return IL_ColorMergeBitmap(&result, withNull, 376, 1); }, IL_ERR_NOBITMAP},
      {"merge: flags", [&] { return IL_ColorMergeBitmap(&result, made.list, 376, 1); }, IL_ERR_INVALID},
  };
  const long live = QlxMemLiveBlocks();
  for (const auto& c : cases) EXPECT_EQ(c.expected, c.op()) << c.what;
  // Tone curves: no plane; a 24-bit bitmap; a value out of range; too few
  // colours; no palette; no data. The neutral value is the identity.
  const struct {
    const char* name;
    int (*op)(BITMAPHANDLE*, int32_t);
    int neutral, bad;
  } tones[] = {{"gamma", IL_GammaCorrectBitmap, 100, 0},
               {"intensity", IL_ChangeBitmapIntensity, 0, 1001},
               {"contrast", IL_ChangeBitmapContrast, 0, -1001}};
  for (const auto& t : tones) {
    EXPECT_EQ(IL_ERR_NOIMAGE, t.op(nullptr, t.bad)) << t.name;
    for (BITMAPHANDLE* b : std::initializer_list<BITMAPHANDLE*>{&colour, &fewColors.bitmap, &noPalette.bitmap, &noData.bitmap})
      EXPECT_EQ(IL_ERR_INVALID, t.op(b, t.neutral)) << t.name;
    EXPECT_EQ(IL_ERR_INVALID, t.op(&plane.bitmap, t.bad)) << t.name;
    EXPECT_EQ(IL_OK, t.op(&plane.bitmap, t.neutral)) << t.name;
  }
  for (int j = 0; j < 256; ++j) ASSERT_EQ(j, plane.entry(j, j % 3));
  // A plane that does not match the others.
  const struct {
    const char* what;
    int plane;
    void (*spoil)(BITMAPHANDLE&);
  } spoilers[] = {
      {"width", 1, [](BITMAPHANDLE& p) { p.Width = 4; }},          {"height", 2, [](BITMAPHANDLE& p) { p.Height = 1; }},
      {"depth", 0, [](BITMAPHANDLE& p) { p.BitsPerPixel = 24; }},  {"stride", 1, [](BITMAPHANDLE& p) { p.BytesPerLine = 5; }},
      {"colors", 2, [](BITMAPHANDLE& p) { p.Colors = 255; }},      {"palette", 0, [](BITMAPHANDLE& p) { p.Palette = nullptr; }},
      {"color order", 1, [](BITMAPHANDLE& p) { p.ColorOrder = 1; }}, {"row order", 2, [](BITMAPHANDLE& p) { p.RowOrder = 1; }},
      {"size", 2, [](BITMAPHANDLE& p) { p.Size = 15; }},
  };
  for (const auto& s : spoilers) {
    const BITMAPHANDLE saved = made.p[s.plane];
    s.spoil(made.p[s.plane]);
    EXPECT_EQ(IL_ERR_INVALID, IL_ColorMergeBitmap(&result, made.list, 376, 0)) << s.what;
    static_cast<BITMAPHANDLE&>(made.p[s.plane]) = saved;
  }
  EXPECT_EQ(live, QlxMemLiveBlocks()) << "nothing allocated";
  EXPECT_TRUE(SamePixels(image, PixelsOf(colour)));
  EXPECT_EQ(5, colour.Width);
  for (const auto& p : fresh.p) EXPECT_EQ(nullptr, p.Data) << "no plane made";
  EXPECT_EQ(nullptr, result.Data);
}

TEST(ImageOperations, RefusedMemoryChangesNothing) {
  const plain::Image image = RandomImage(6, 4, 21);
  const struct {
    const char* what;
    int blocks;  // blocks the operation obtains
    int (*op)(Bitmap& bitmap, Planes& planes, Bitmap& merged);
  } ops[] = {
      {"size", 2, [](Bitmap& b, Planes&, Bitmap&) { return IL_SizeBitmap(&b, 11, 3, IL_SIZE_CUBIC); }},
      {"sharpen", 1, [](Bitmap& b, Planes&, Bitmap&) { return IL_SharpenBitmap(&b, 500); }},
      {"separate", 3, [](Bitmap& b, Planes& p, Bitmap&) { return IL_ColorSeparateBitmap(&b, p.list, IL_RECORD_SIZE, 0); }},
      {"merge", 1, [](Bitmap&, Planes& p, Bitmap& m) { return IL_ColorMergeBitmap(&m, p.list, IL_RECORD_SIZE, 0); }},
  };
  for (const auto& o : ops) {
    for (int n = 1; n <= o.blocks; ++n) {
      for (bool lock : {false, true}) {
        SCOPED_TRACE(std::string(o.what) + (lock ? " lock " : " block ") + std::to_string(n));
        Bitmap bitmap, merged;
        ASSERT_TRUE(MakeOwned(bitmap, image));
        Planes planes;
        const bool merge = &o == &ops[3];  // merges planes separated first
        if (merge) {
          ASSERT_EQ(IL_OK, IL_ColorSeparateBitmap(&bitmap, planes.list, IL_RECORD_SIZE, 0));
        }
        const unsigned char* data = bitmap.Data;
        const long live = QlxMemLiveBlocks();
        lock ? QlxMemFailNthLock(n) : QlxMemFailNthAlloc(n);
        EXPECT_EQ(IL_ERR_NOMEM, o.op(bitmap, planes, merged));
        QlxMemFailNthAlloc(0);
        QlxMemFailNthLock(0);
        EXPECT_EQ(live, QlxMemLiveBlocks());
        EXPECT_TRUE(data == bitmap.Data && data == bitmap.MemHandle && bitmap.Width == 6 && bitmap.Height == 4);
        EXPECT_TRUE(SamePixels(image, PixelsOf(bitmap)));
        EXPECT_TRUE(merged.Data == nullptr && merged.Width == 0);
        for (const auto& p : planes.p) EXPECT_TRUE(merge || (!p.Data && !p.MemHandle && !p.Palette)) << "emptied";
      }
    }
  }
}

}  // namespace
