// The colour engine on a generated profile. (Which files give a transform
// is checked through the filter program, tests/filter.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/color/ColorEngine.h"
#include "platform/color/SharedColorTransform.h"
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

// A shared transform is built once per profile file; a profile written
// anew under the same name (a new file, as the queue's profile is
// replaced) gets a transform of its own, which converts as a fresh one.
TEST(ColorEngine, SharedTransformsFollowTheProfileFile) {
  TestTempDir dir;
  const std::string path = dir / "printer.icc", next = dir / "next.icc";
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, path));
  const auto first = kv71p::SharedTransformOfProfile(path);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, kv71p::SharedTransformOfProfile(path));

  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::MatrixShaperRgb, next));
  ASSERT_EQ(0, std::rename(next.c_str(), path.c_str()));
  const auto second = kv71p::SharedTransformOfProfile(path);
  ASSERT_NE(nullptr, second);
  EXPECT_NE(first, second);
  const unsigned char colours[6] = {200, 0, 0, 10, 120, 240};
  unsigned char shared[6], fresh[6];
  second->Convert(colours, shared, 2, 1, 6);
  ColorEngineTransform::FromProfile(path.c_str())->Convert(colours, fresh, 2, 1, 6);
  EXPECT_EQ(0, std::memcmp(shared, fresh, 6));

  ASSERT_EQ(0, std::remove(path.c_str()));
  EXPECT_EQ(nullptr, kv71p::SharedTransformOfProfile(path));
}

}  // namespace
