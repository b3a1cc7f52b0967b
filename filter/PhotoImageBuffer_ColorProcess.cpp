// The colour pipeline: one raster page in, the processed photo out.
//
// Order: rotation, resolution, border fit, colour matching, tone curves
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
                                           int /*index*/) {
  PhotoBitmap photo(static_cast<_tagBITMAPHANDLE*>(GlobalAlloc(0, sizeof(_tagBITMAPHANDLE))));
  if (!photo) return nullptr;
  *photo = _tagBITMAPHANDLE{};

  if (paperRotate) {
    if (PageMemory turned = pipeline::RotatePage(pixels.get(), width, height)) {
      pixels = std::move(turned);
      std::swap(width, height);
    }
  }
  Bitmap page;
  pipeline::AdoptPage(page, std::move(pixels), width, height);
  pipeline::ChangeResolution(page, resolutionMode, paperRotate);
  if (border) pipeline::FitIntoBorder(page, mediaInfo);
  if (icm && !iccProfile.empty()) pipeline::MatchColours(page, iccProfile);

  // Without the colour adjustment the curves run with neutral values.
  const int32_t gamma[3] = {colorAdjustment ? gammaR : 100, colorAdjustment ? gammaG : 100,
                            colorAdjustment ? gammaB : 100};
  const int32_t brightness[3] = {colorAdjustment ? brightnessR : 0,
                                 colorAdjustment ? brightnessG : 0,
                                 colorAdjustment ? brightnessB : 0};
  const int32_t contrast[3] = {colorAdjustment ? contrastR : 0, colorAdjustment ? contrastG : 0,
                               colorAdjustment ? contrastB : 0};
  pipeline::ToneTables tables;
  // A page without an image, or curves the library could not build, give
  // a photo without an image: a white panel.
  if (!page.HasImage() || !pipeline::BuildToneTables(gamma, brightness, contrast, &tables))
    return photo;
  pipeline::ApplyToneTables(page, tables);

  IL_SharpenBitmap(&page.record, sharpness);
  IL_ChangeBitmapSaturation(&page.record, colorAdjustment ? chroma : 0);

  *photo = page.record;
  page.record = _tagBITMAPHANDLE{};
  return photo;
}

}  // namespace kv71p::filter
