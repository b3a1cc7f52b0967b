// Colour steps of the colour pipeline: matching through the printer's ICC
// profile and the per-channel tone curves.
#include <cstring>

#include "filter/ColorPipelineSteps.h"
#include "platform/color/SharedColorTransform.h"

namespace kv71p::filter::pipeline {

namespace {

// Colour matching converts the page in bands of this many rows, each from
// a copy of its rows back into the page.
constexpr int64_t kMatchBandRows = 64;

}  // namespace

void MatchColors(Bitmap& page, const std::string& profilePath) {
  if (!page.HasImage() || profilePath.empty()) return;
  const auto transform = kv71p::SharedTransformOfProfile(profilePath);
  if (!transform) return;
  const uint64_t stride = static_cast<uint64_t>(page.record.BytesPerLine);
  const int64_t height = page.record.Height;
  const int64_t bandRows = height < kMatchBandRows ? height : kMatchBandRows;
  PageMemory copy = AllocPageMemory(stride * static_cast<uint64_t>(bandRows), false);
  if (!copy) return;
  for (int64_t first = 0; first < height; first += bandRows) {
    const int64_t rows = height - first < bandRows ? height - first : bandRows;
    unsigned char* band = page.record.Data + static_cast<uint64_t>(first) * stride;
    std::memcpy(copy.get(), band, static_cast<size_t>(rows) * stride);
    transform->Convert(copy.get(), band, static_cast<size_t>(page.record.Width),
                       static_cast<size_t>(rows), stride);
  }
}

bool BuildToneTables(const int32_t gamma[3], const int32_t brightness[3],
                     const int32_t contrast[3], ToneTables* tables) {
  // A ramp of all 256 values in every channel goes through the library's
  // own planes: separated, its palettes run through the curves in the
  // pipeline's order, merged again. Pixel v of the result then holds the
  // new value of v in each channel.
  unsigned char ramp[256 * 3];
  for (int v = 0; v < 256; ++v) ramp[3 * v] = ramp[3 * v + 1] = ramp[3 * v + 2] = static_cast<unsigned char>(v);
  Bitmap source;
  if (!WrapRows(&source.record, 256, 1, ramp)) return false;
  Bitmap planes[3];
  BITMAPHANDLE* planeRecords[3] = {&planes[0].record, &planes[1].record, &planes[2].record};
  if (IL_ColorSeparateBitmap(&source.record, planeRecords, IL_RECORD_SIZE, 0) != IL_OK) return false;
  for (int k = 0; k < 3; ++k) IL_GammaCorrectBitmap(planeRecords[k], gamma[k]);
  for (int k = 0; k < 3; ++k) IL_ChangeBitmapIntensity(planeRecords[k], brightness[k]);
  for (int k = 0; k < 3; ++k) IL_ChangeBitmapContrast(planeRecords[k], contrast[k]);
  Bitmap merged;
  if (IL_ColorMergeBitmap(&merged.record, planeRecords, IL_RECORD_SIZE, 0) != IL_OK) return false;
  for (int v = 0; v < 256; ++v) {
    for (int k = 0; k < 3; ++k) tables->table[k][v] = merged.record.Data[3 * v + k];
  }
  return true;
}

void ApplyToneTables(Bitmap& page, const ToneTables& tables) {
  if (!page.HasImage()) return;
  bool identity = true;
  for (int k = 0; k < 3 && identity; ++k) {
    for (int v = 0; v < 256 && identity; ++v) identity = tables.table[k][v] == v;
  }
  if (identity) return;
  const unsigned char* t0 = tables.table[0];
  const unsigned char* t1 = tables.table[1];
  const unsigned char* t2 = tables.table[2];
  const uint64_t stride = static_cast<uint64_t>(page.record.BytesPerLine);
  const int64_t width = page.record.Width;
  for (int64_t y = 0; y < page.record.Height; ++y) {
    unsigned char* p = page.record.Data + static_cast<uint64_t>(y) * stride;
    for (int64_t x = 0; x < width; ++x, p += 3) {
      p[0] = t0[p[0]];
      p[1] = t1[p[1]];
      p[2] = t2[p[2]];
    }
  }
}

}  // namespace kv71p::filter::pipeline
