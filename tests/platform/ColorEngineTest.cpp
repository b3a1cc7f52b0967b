// The colour engine on a generated profile. (Which files give a transform
// is checked through the filter program, tests/filter.)
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/color/ColorEngine.h"
#include "tests/support/TestTempDir.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

namespace {

using kv71p::ColorEngineTransform;

TEST(ColorEngine, RowsAreConvertedWithTheirStrideAndPaddingIsLeftAlone) {
  TestTempDir dir;
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, dir / "lut.icc"));
  auto transform = ColorEngineTransform::FromProfile((dir / "lut.icc").c_str());
  ASSERT_NE(nullptr, transform);

  const size_t width = 5, height = 3, stride = 16;  // 15 pixel bytes + 1 padding byte
  std::vector<unsigned char> source(stride * height);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<unsigned char>(i * 37 + 11);
  std::vector<unsigned char> whole(stride * height, 0xAB);
  transform->Convert(source.data(), whole.data(), width, height, stride);

  for (size_t row = 0; row < height; ++row) {
    unsigned char one[15];
    transform->Convert(source.data() + row * stride, one, width, 1, 15);
    EXPECT_EQ(0, std::memcmp(one, whole.data() + row * stride, 15)) << "row " << row;
    EXPECT_EQ(0xAB, whole[row * stride + 15]) << "padding of row " << row;
  }

  // The generated printer darkens red: pure red comes out with less red.
  const unsigned char red[3] = {200, 0, 0};
  unsigned char out[3];
  transform->Convert(red, out, 1, 1, 3);
  EXPECT_LT(out[0], 200);
}

}  // namespace
