// Tone curves on plane palettes: checks in order, the worked values, and
// successive curves composing.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "tests/imaging/TestBitmaps.h"

namespace {

using ToneOp = int (*)(BITMAPHANDLE*, int32_t);

// Curves applied one after the other to a fresh plane, and entries of its
// palette afterwards (bytes 0, 1 and 2 alike, byte 3 untouched).
TEST(Tone, WorkedValuesAndComposition) {
  struct Step {
    ToneOp op;
    int value;
  };
  const ToneOp g = IL_GammaCorrectBitmap, i = IL_ChangeBitmapIntensity, c = IL_ChangeBitmapContrast;
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::pair<int, int>> mapping;
  } cases[] = {
      {"gamma 200", {{g, 200}}, {{64, 128}, {0, 0}, {255, 255}, {1, 16}}},
      {"gamma 50", {{g, 50}}, {{128, 64}, {255, 255}, {100, 39}}},
      {"gamma -1 (unsigned)", {{g, -1}}, {{0, 0}, {1, 255}, {128, 255}}},
      {"gamma INT_MIN", {{g, INT_MIN}}, {{0, 0}, {1, 255}}}, {"gamma 1", {{g, 1}}, {{254, 172}, {255, 255}, {0, 0}}},
      {"intensity 1000", {{i, 1000}}, {{0, 255}, {128, 255}}},
      {"intensity -1000", {{i, -1000}}, {{254, 0}, {255, 1}, {0, 0}}},
      {"intensity 500", {{i, 500}}, {{0, 128}, {127, 255}, {128, 255}}}, {"intensity -500", {{i, -500}}, {{200, 73}}},
      {"intensity -3", {{i, -3}}, {{10, 10}}}, {"intensity 1", {{i, 1}}, {{10, 11}, {255, 255}}},
      {"intensity -4", {{i, -4}}, {{10, 9}, {0, 0}}},
      {"contrast 1000", {{c, 1000}}, {{64, 64}, {0, 0}, {100, 136}, {158, 253}, {159, 255}}},
      {"contrast -1000", {{c, -1000}}, {{0, 33}, {128, 95}, {255, 158}, {64, 64}}},
      {"contrast 500", {{c, 500}}, {{0, 0}, {200, 255}, {100, 115}, {30, 16}}},
      {"gamma, intensity, contrast", {{g, 200}, {i, 1}, {c, 1000}}, {{64, 194}, {0, 0}, {1, 0}}},
      {"intensity, then gamma", {{i, 1}, {g, 200}}, {{63, 128}, {0, 16}}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    Plane plane;
    for (const Step& s : tc.steps) ASSERT_EQ(IL_OK, s.op(&plane.bitmap, s.value));
    for (const auto& m : tc.mapping)
      for (int byte = 0; byte < 3; ++byte) EXPECT_EQ(m.second, plane.entry(m.first, byte)) << "value " << m.first;
    EXPECT_EQ(0xEE, plane.entry(7, 3));
  }
}

}  // namespace
