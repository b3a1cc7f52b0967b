// The colour pipeline: one raster page in, the processed photo out.
//
// Order: resolution, border fit, colour matching, tone curves
// per channel (gamma, brightness, contrast), sharpening, chroma. The tone
// curves are the image library's palette curves; they are read off once per
// photo and applied to the pixels in one pass, which gives the bytes that
// separating the page into planes, running the palettes through the curves
// and merging the planes again would give.
#include "filter/ColorPipelineSteps.h"
#include "filter/PhotoImageBuffer.h"

namespace kv71p::filter {

using pipeline::Bitmap;

PhotoBitmap PhotoImageBuffer::ColorProcess(PageMemory pixels, int64_t width, int64_t height,
                                           const JobSettings& settings) const {
  PhotoBitmap photo(static_cast<BITMAPHANDLE*>(IL_AllocMemory(sizeof(BITMAPHANDLE))));
  if (!photo) return nullptr;
  *photo = BITMAPHANDLE{};

  Bitmap page;
  pipeline::AdoptPage(page, std::move(pixels), width, height);
  pipeline::ChangeResolution(page, settings.resolutionMode);
  if (settings.border) pipeline::FitIntoBorder(page, mediaInfo);
  if (settings.icm && !settings.iccProfile.empty()) pipeline::MatchColors(page, settings.iccProfile);

  // Without the colour adjustment the curves run with neutral values.
  const JobSettings neutral;
  const JobSettings& tone = settings.colorAdjustment ? settings : neutral;
  pipeline::ToneTables tables;
  // A page without an image, or curves the library could not build, give
  // a photo without an image: a white panel.
  if (!page.HasImage() || !pipeline::BuildToneTables(tone.gamma, tone.brightness, tone.contrast, &tables))
    return photo;
  pipeline::ApplyToneTables(page, tables);

  IL_SharpenBitmap(&page.record, settings.sharpness);
  IL_ChangeBitmapSaturation(&page.record, tone.chroma);

  *photo = page.record;
  page.record = BITMAPHANDLE{};
  return photo;
}

}  // namespace kv71p::filter
