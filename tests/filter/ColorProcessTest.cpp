// The colour pipeline compared byte for byte with the same steps composed
// from the plain image operations of the imaging tests and the colour
// engine's own conversion; the border fit's worked numbers; failure paths
// through the image library's allocation hooks. (Which profile is used is
// checked on the filter program.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/color/ColorEngine.h"
#include "tests/filter/FilterTestHelpers.h"
#include "tests/imaging/TestBitmaps.h"
#include "tests/support/PlainImaging.h"
#include "tests/support/TestTempDir.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

using namespace kv71p::filter;

namespace {

// The photo's pixels; an empty image for a record without one.
plain::Image PhotoPixels(const BITMAPHANDLE* photo) {
  return photo == nullptr || photo->Data == nullptr ? plain::Image() : PixelsOf(*photo);
}

// A page buffer with the media of code 33, and the settings of the job
// (every setting neutral unless changed).
struct Pipeline {
  PhotoImageBuffer buffer;
  JobSettings settings;

  Pipeline() {
    FdBlockWriter unused(-1);
    DeviceEntry_KV71P entry(unused);
    entry.SetSettings(settings);
    buffer.mediaInfo = entry.mediaInfo;
  }
  PhotoBitmap RunRecord(const plain::Image& page) {
    PageMemory memory = AllocPageMemory(page.bytes.size());
    if (memory) std::memcpy(memory.get(), page.bytes.data(), page.bytes.size());
    return buffer.ColorProcess(std::move(memory), page.width, page.height, settings);
  }
  plain::Image Run(const plain::Image& page) { return PhotoPixels(RunRecord(page).get()); }
};

plain::Image Chroma(plain::Image image, int change) {
  plain::Saturation(image, change, 1);
  return image;
}

// The border fit built from the plain resampler: bands of 1000 rows, each
// scaled by `ratio` (heights truncated per band) onto a white canvas.
plain::Image PlainFit(const plain::Image& page, float ratio) {
  plain::Image canvas(static_cast<int>(page.width * ratio), static_cast<int>(page.height * ratio));
  std::fill(canvas.bytes.begin(), canvas.bytes.end(), 255);
  int filled = 0;
  for (int first = 0; first < page.height; first += 1000) {
    const int rows = std::min(1000, page.height - first);
    const int scaled = static_cast<int>(rows * ratio);
    if (scaled == 0) continue;
    plain::Image band(page.width, rows);
    std::memcpy(band.bytes.data(), page.row(first), band.bytes.size());
    const plain::Image out = plain::Size(band, canvas.width, scaled);
    std::memcpy(canvas.row(filled), out.bytes.data(), out.bytes.size());
    filled += scaled;
  }
  return canvas;
}

// Every pixel byte k through the palette that gamma, intensity and contrast
// (each checked on its own by the imaging tests) give plane k.
plain::Image Tone(plain::Image image, const int gamma[3], const int intensity[3], const int contrast[3]) {
  Plane planes[3];
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(IL_OK, IL_GammaCorrectBitmap(&planes[k].bitmap, gamma[k]));
    EXPECT_EQ(IL_OK, IL_ChangeBitmapIntensity(&planes[k].bitmap, intensity[k]));
    EXPECT_EQ(IL_OK, IL_ChangeBitmapContrast(&planes[k].bitmap, contrast[k]));
  }
  for (int y = 0; y < image.height; ++y)
    for (int i = 0; i < image.width * 3; ++i) image.row(y)[i] = static_cast<unsigned char>(planes[i % 3].entry(image.row(y)[i], i % 3));
  return image;
}

// The page converted by the colour engine itself.
plain::Image Converted(const plain::Image& page, const std::string& profile) {
  const auto transform = kv71p::ColorEngineTransform::FromProfile(profile.c_str());
  EXPECT_NE(transform, nullptr);
  plain::Image out = page;
  if (transform)
    transform->Convert(page.bytes.data(), out.bytes.data(), page.width, page.height, page.stride);
  return out;
}

// Border ratio of code 33: the length share 1128 / 1236 in single precision.
constexpr float kRatio33 = 0.91262138f;

TEST(ColorProcess, BorderFitWorkedNumbers) {
  const struct {
    int width, height, fitWidth, fitHeight, whiteRows;
  } cases[] = {
      {2448, 1236, 2234, 1128, 1},  // bands 1000 + 236 -> 912 + 215
      {2448, 2472, 2234, 2256, 2},  // bands 1000 + 1000 + 472 -> 912 + 912 + 430
      {300, 200, 273, 182, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    Pipeline p;
    p.settings.border = true;
    EXPECT_EQ(p.buffer.mediaInfo.marginLength, 54);
    const plain::Image page = RandomImage(c.width, c.height, 2);
    const plain::Image photo = p.Run(page);
    ASSERT_EQ(photo.width, c.fitWidth);
    ASSERT_EQ(photo.height, c.fitHeight);
    for (int y = c.fitHeight - c.whiteRows; y < c.fitHeight; ++y)
      for (int i = 0; i < c.fitWidth * 3; ++i) ASSERT_EQ(photo.row(y)[i], 255) << "row " << y;
    EXPECT_TRUE(SamePixels(Chroma(PlainFit(page, kRatio33), 0), photo));
  }
}

TEST(ColorProcess, Resolution) {
  // 600 x 600 dpi halves the width; otherwise only the chroma step with 0
  // changes the page (it truncates).
  const plain::Image page = RandomImage(61, 34, 3);
  const long live = QlxMemLiveBlocks();
  for (int mode : {0, 1, 2}) {
    Pipeline p;
    p.settings.resolutionMode = mode;
    EXPECT_TRUE(SamePixels(Chroma(mode == 2 ? plain::Size(page, 30, 34) : page, 0), p.Run(page))) << mode;
  }
  EXPECT_EQ(live, QlxMemLiveBlocks()) << "the page's blocks given back";
  // A 600 x 600 dpi page of code 33 becomes 2448 x 2472.
  Pipeline p;
  p.settings.resolutionMode = 2;
  const PhotoBitmap photo = p.RunRecord(plain::Image(4896, 2472));
  EXPECT_EQ(photo->Width, 2448);
  EXPECT_EQ(photo->Height, 2472);
}

class ColorMatching : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, lut)); }
  TestTempDir dir;
  const std::string lut = dir / "lut.icc";
};

using Settings = kv71p::test::ColorSettings;
using kv71p::test::Apply;
using kv71p::test::kEverything;

// The steps in their order: border fit, colour matching, the tone curves,
// sharpening, chroma. Without the colour adjustment only the sharpness of
// the tone settings applies.
TEST_F(ColorMatching, StepsComposeAsThePlainOperations) {
  const plain::Image page = RandomImage(120, 1010, 4);  // two bands
  const Settings cases[] = {
      {false, false, true, {200, 100, 100}, {0, 0, 0}, {0, 0, 0}, 0, 0},
      {false, false, true, {141, 50, 283}, {-200, 40, 1000}, {300, -1000, 70}, 0, 0},
      {false, false, true, {1, 10000, -5}, {0, 0, 0}, {0, 0, 0}, 0, 0},
      {false, false, true, {100, 100, 100}, {0, 0, 0}, {0, 0, 0}, 0, 500},
      {false, false, false, {200, 50, 50}, {500, 0, 0}, {0, 900, 0}, 0, 800},
      {false, false, false, {200, 50, 50}, {500, 0, 0}, {0, 900, 0}, 650, 800},
      kEverything,
  };
  const int neutral[3] = {100, 100, 100}, zero[3] = {0, 0, 0};
  for (const Settings& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - cases));
    Pipeline p;
    Apply(p.settings, c, lut);
    plain::Image expected = c.border ? PlainFit(page, kRatio33) : page;
    if (c.icm) expected = Converted(expected, lut);
    expected = c.adjust ? Tone(expected, c.gamma, c.brightness, c.contrast) : Tone(expected, neutral, zero, zero);
    plain::Sharpen(expected, c.sharpness);
    EXPECT_TRUE(SamePixels(Chroma(expected, c.adjust ? c.chroma : 0), p.Run(page)));
  }
}

TEST_F(ColorMatching, AllocationFailuresLeaveTheImageAsItWas) {
  const plain::Image page = RandomImage(90, 70, 7);
  plain::Image white(90, 70);
  std::fill(white.bytes.begin(), white.bytes.end(), 255);
  // What a failure may give: the photo without one of the steps whose
  // memory failed, a white canvas when the band could not be resampled,
  // no image when the tone curves could not be built.
  std::vector<plain::Image> allowed;
  Settings noBorder = kEverything, noIcm = kEverything, noSharpening = kEverything;
  noBorder.border = noIcm.icm = false;
  noSharpening.sharpness = 0;
  auto variant = [&](const plain::Image& source, const Settings& settings) {
    Pipeline p;
    Apply(p.settings, settings, lut);
    allowed.push_back(p.Run(source));
  };
  for (const Settings s : {kEverything, noBorder, noIcm, noSharpening}) variant(page, s);
  variant(white, kEverything);
  allowed.push_back(plain::Image());

  const long before = QlxMemLiveBlocks();
  const long start = QlxMemAllocCalls();
  variant(page, kEverything);
  const long calls = QlxMemAllocCalls() - start;
  ASSERT_GT(calls, 5);
  for (int lock = 0; lock < 2; ++lock) {
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE((lock ? "lock " : "alloc ") + std::to_string(n));
      Pipeline p;
      Apply(p.settings, kEverything, lut);
      PageMemory memory = AllocPageMemory(page.bytes.size());
      std::memcpy(memory.get(), page.bytes.data(), page.bytes.size());
      lock ? QlxMemFailNthLock(n) : QlxMemFailNthAlloc(n);
      const PhotoBitmap photo = p.buffer.ColorProcess(std::move(memory), page.width, page.height, p.settings);
      QlxMemFailNthLock(0);
      QlxMemFailNthAlloc(0);
      if (!photo) {
        EXPECT_EQ(n, 1);  // the record itself
        continue;
      }
      const plain::Image result = PhotoPixels(photo.get());
      bool matched = false;
      for (const auto& a : allowed) matched = matched || SamePixels(a, result);
      EXPECT_TRUE(matched) << result.width << "x" << result.height;
    }
  }
  EXPECT_EQ(QlxMemLiveBlocks(), before);
}

TEST(ColorProcess, PagesWithoutPixelsGiveAPhotoWithoutAnImage) {
  const int cases[][3] = {{0, 10, false}, {10, 0, false}, {0, 0, true}, {1, 1, true}, {2, 1, true}};  // size, border
  for (const auto& c : cases) {
    Pipeline p;
    p.settings.border = c[2];
    const PhotoBitmap photo = p.RunRecord(plain::Image(c[0], c[1]));
    ASSERT_NE(photo, nullptr);
    EXPECT_TRUE(photo->Data == nullptr && photo->Width == 0 && photo->Height == 0) << c[0] << "x" << c[1];
  }
}

}  // namespace
