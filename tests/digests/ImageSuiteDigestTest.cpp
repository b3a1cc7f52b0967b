// Golden digests of the image library: a photo-like picture and noise of
// odd sizes through every operation (resampling up and down, the tone
// curves, saturation, sharpening, planes, copying) and through the
// filter's chain of them, at every vector level. The digests were made
// once and are kept in image-suite.sha256, so a compiler or machine that
// shifts a single bit shows up here even where the library and the literal
// reference of the imaging tests would shift together.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/digests/DigestPictures.h"
#include "tests/digests/GoldenDigests.h"
#include "tests/imaging/TestBitmaps.h"

namespace {

using kv71p::test::DigestList;
using Tone = int (*)(BITMAPHANDLE*, int32_t);

// What a case's digest covers: the size, the pixel bytes of every stored
// row (padding left out) and, for an 8-bit plane, the palette.
std::string Contents(const BITMAPHANDLE& b) {
  std::string bytes = std::to_string(b.Width) + "x" + std::to_string(b.Height) + "\n";
  for (int y = 0; y < b.Height; ++y)
    bytes.append(reinterpret_cast<const char*>(b.Data) + static_cast<size_t>(y) * b.BytesPerLine,
                 static_cast<size_t>(b.Width) * b.BitsPerPixel / 8);
  if (b.BitsPerPixel == 8) bytes.append(reinterpret_cast<const char*>(b.Palette), 1024);
  return bytes;
}

std::string Failed(int status) { return "status " + std::to_string(status); }

// The three planes of a 24-bit bitmap, one after the other.
std::string PlaneContents(const BITMAPHANDLE& bitmap) {
  Planes planes;
  const int status = IL_ColorSeparateBitmap(&bitmap, planes.list, IL_RECORD_SIZE, 0);
  return status != IL_OK ? Failed(status) : Contents(planes.p[0]) + Contents(planes.p[1]) + Contents(planes.p[2]);
}

// A tone curve with its value for each of the three planes.
struct ToneStep {
  Tone tone;
  int32_t value[3];
};

// Separates `bitmap` into planes, runs the steps on them and merges them
// back into `bitmap`; `palette` receives the first plane's palette (the
// whole curve, where the pixels may not use every entry).
int ThroughPlanes(Bitmap& bitmap, const std::vector<ToneStep>& steps, std::string* palette = nullptr) {
  Planes planes;
  int status = IL_ColorSeparateBitmap(&bitmap, planes.list, IL_RECORD_SIZE, 0);
  for (const ToneStep& step : steps)
    for (int k = 0; k < 3 && status == IL_OK; ++k) status = step.tone(planes.list[k], step.value[k]);
  if (status != IL_OK) return status;
  if (palette != nullptr) palette->assign(reinterpret_cast<const char*>(planes.p[0].Palette), 1024);
  IL_FreeBitmap(&bitmap);
  return IL_ColorMergeBitmap(&bitmap, planes.list, IL_RECORD_SIZE, 0);
}

// `image` as an owned bitmap after `operation`, as the digest covers it.
template <class Operation>
std::string After(const plain::Image& image, Operation operation, int colorOrder = 1) {
  Bitmap bitmap;
  if (!MakeOwned(bitmap, image, colorOrder)) return Failed(IL_ERR_NOMEM);
  const int status = operation(bitmap);
  return status != IL_OK ? Failed(status) : Contents(bitmap);
}

// The filter's chain: resampling, tone curves per plane, saturation,
// sharpening, then the planes it sends.
std::string Pipeline(const plain::Image& image, int newWidth, int newHeight) {
  Bitmap bitmap;
  if (!MakeOwned(bitmap, image)) return Failed(IL_ERR_NOMEM);
  int status = IL_SizeBitmap(&bitmap, newWidth, newHeight, IL_SIZE_CUBIC);
  if (status == IL_OK)
    status = ThroughPlanes(bitmap, {{IL_GammaCorrectBitmap, {140, 100, 71}},
                                    {IL_ChangeBitmapIntensity, {40, -20, 0}},
                                    {IL_ChangeBitmapContrast, {300, 0, -200}}});
  if (status == IL_OK) status = IL_ChangeBitmapSaturation(&bitmap, 250);
  if (status == IL_OK) status = IL_SharpenBitmap(&bitmap, 700);
  return status != IL_OK ? Failed(status) : PlaneContents(bitmap);
}

std::string Dims(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// Every case on one picture: its name and the bytes its digest covers.
std::vector<std::pair<std::string, std::function<std::string()>>> Cases(const plain::Image& image) {
  std::vector<std::pair<std::string, std::function<std::string()>>> cases;
  const int w = image.width, h = image.height;
  // Resampling by ratios per axis: up, awkward, near 1, down, to one pixel.
  const int ratios[][4] = {{3, 1, 3, 1}, {7, 3, 5, 4}, {101, 100, 99, 100}, {1, 2, 1, 3},
                           {2, 7, 9, 10}, {1, 1000, 1, 1000}, {5, 2, 1, 1000}};
  for (const auto& r : ratios) {
    const int nw = std::max(1, w * r[0] / r[1]), nh = std::max(1, h * r[2] / r[3]);
    cases.push_back({"size by " + std::to_string(r[0]) + "/" + std::to_string(r[1]) + " x " + std::to_string(r[2]) +
                         "/" + std::to_string(r[3]) + " to " + Dims(nw, nh),
                     [&image, nw, nh] { return After(image, [&](Bitmap& b) { return IL_SizeBitmap(&b, nw, nh, IL_SIZE_CUBIC); }); }});
  }
  // Tone curves on the planes (a negative gamma reads as a huge one).
  const struct {
    const char* name;
    Tone tone;
    std::vector<int32_t> values;
  } tones[] = {{"gamma", IL_GammaCorrectBitmap, {25, 45, 180, 450, -50}},
               {"intensity", IL_ChangeBitmapIntensity, {-1000, -350, -1, 1, 500, 1000}},
               {"contrast", IL_ChangeBitmapContrast, {-1000, -600, 250, 999, 1000}}};
  for (const auto& t : tones)
    for (const int32_t v : t.values)
      cases.push_back({std::string(t.name) + " " + std::to_string(v), [&image, tone = t.tone, v] {
                         std::string palette;
                         return After(image, [&](Bitmap& b) { return ThroughPlanes(b, {{tone, {v, v, v}}}, &palette); }) + palette;
                       }});
  for (const int32_t v : {-1000, -400, -1, 300, 1000})
    cases.push_back({"saturation " + std::to_string(v),
                     [&image, v] { return After(image, [&](Bitmap& b) { return IL_ChangeBitmapSaturation(&b, v); }); }});
  cases.push_back({"saturation 600, bytes reversed",
                   [&image] { return After(image, [&](Bitmap& b) { return IL_ChangeBitmapSaturation(&b, 600); }, 0); }});
  // Sharpening and softening, on table rows and between them.
  for (const int32_t v : {-1000, -975, -500, -1, 1, 650, 975, 1000})
    cases.push_back({"sharpen " + std::to_string(v),
                     [&image, v] { return After(image, [&](Bitmap& b) { return IL_SharpenBitmap(&b, v); }); }});
  for (const int order : {1, 0})
    cases.push_back({"separate, colour order " + std::to_string(order), [&image, order] {
                       Bitmap b;
                       return MakeOwned(b, image, order) ? PlaneContents(b) : Failed(IL_ERR_NOMEM);
                     }});
  // Copying into a larger, an equal and a smaller bitmap filled with 0x5A.
  const struct {
    const char* name;
    int cw, ch;
  } copies[] = {{"larger", w + 5, h + 3}, {"equal", w, h}, {"smaller", w / 2 + 1, h / 2 + 1}};
  for (const auto& [what, cw, ch] : copies) {
    cases.push_back({std::string("copy into ") + what + " " + Dims(cw, ch), [&image, cw = cw, ch = ch] {
                       plain::Image filled(cw, ch);
                       std::fill(filled.bytes.begin(), filled.bytes.end(), 0x5A);
                       Bitmap source;
                       if (!MakeOwned(source, image)) return Failed(IL_ERR_NOMEM);
                       return After(filled, [&](Bitmap& b) { return IL_CopyBitmapData(&b, &source); });
                     }});
  }
  const std::pair<int, int> pipelineSizes[] = {{w * 5 / 3 + 1, h * 5 / 3 + 1}, {w * 2 / 3 + 1, h * 3 / 5 + 1}};
  for (const auto& [pw, ph] : pipelineSizes)
    cases.push_back({"pipeline at " + Dims(pw, ph), [&image, pw = pw, ph = ph] { return Pipeline(image, pw, ph); }});
  return cases;
}

TEST(ImageSuiteDigest, EveryOperationOnPhotoAndNoiseMatchesTheGoldenDigests) {
  const struct {
    int width, height;
    bool photoLike;
  } pictures[] = {{301, 207, true}, {1, 1, false}, {7, 5, false}, {97, 61, false}, {333, 17, false}};
  std::vector<plain::Image> images;
  for (const auto& p : pictures) {
    const std::string rgb = kv71p::test::TestPicture(p.width, p.height, p.photoLike, images.size() + 1);
    images.emplace_back(p.width, p.height);
    for (int y = 0; y < p.height; ++y) std::copy_n(rgb.data() + y * p.width * 3, p.width * 3, images.back().row(y));
  }
  kv71p::test::CheckAtEveryVectorLevel(KV71P_DIGESTS_IMAGE_SUITE, [&] {
    DigestList digests;
    for (size_t i = 0; i < images.size(); ++i) {
      const std::string picture = std::string(pictures[i].photoLike ? "photo " : "noise ") +
                                  Dims(images[i].width, images[i].height) + " | ";
      for (const auto& [name, contents] : Cases(images[i])) {
        const std::string bytes = contents();
        EXPECT_NE(bytes.rfind("status ", 0), 0u) << picture << name << ": " << bytes;
        digests.emplace_back(picture + name, kv71p::test::Sha256Hex(bytes));
      }
    }
    return digests;
  });
}

}  // namespace
