#include "platform/color/ColorEngine.h"

#include <lcms2.h>

namespace kv71p {

namespace {

// RAII for a profile handle.
struct Profile {
  explicit Profile(cmsHPROFILE h) : handle(h) {}
  ~Profile() {
    if (handle) cmsCloseProfile(handle);
  }
  Profile(const Profile&) = delete;
  Profile& operator=(const Profile&) = delete;
  cmsHPROFILE handle;
};

// The engine reports problems through a process-wide handler; the filter
// must write nothing but printer data, so the reports are dropped.
void SilentErrorHandler(cmsContext, cmsUInt32Number, const char*) {}

}  // namespace

std::unique_ptr<ColorEngineTransform> ColorEngineTransform::FromProfile(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  cmsSetLogErrorHandler(SilentErrorHandler);
  Profile srgb(cmsCreate_sRGBProfile());
  if (!srgb.handle) return nullptr;
  Profile printer(cmsOpenProfileFromFile(path, "r"));
  if (!printer.handle || cmsGetColorSpace(printer.handle) != cmsSigRgbData) return nullptr;

  cmsHPROFILE profiles[2] = {srgb.handle, printer.handle};
  cmsBool blackPointCompensation[2] = {FALSE, FALSE};
  cmsUInt32Number intents[2] = {cmsGetHeaderRenderingIntent(srgb.handle),
                                cmsGetHeaderRenderingIntent(printer.handle)};
  cmsFloat64Number adaptation[2] = {1.0, 1.0};
  cmsHTRANSFORM transform = cmsCreateExtendedTransform(
      nullptr, 2, profiles, blackPointCompensation, intents, adaptation, nullptr, 0, TYPE_RGB_8,
      TYPE_RGB_8, 0);
  if (transform == nullptr) return nullptr;
  return std::unique_ptr<ColorEngineTransform>(new ColorEngineTransform(transform));
}

ColorEngineTransform::~ColorEngineTransform() { cmsDeleteTransform(handle_); }

void ColorEngineTransform::Convert(const unsigned char* source, unsigned char* destination,
                                   size_t width, size_t height, size_t stride) const {
  if (width == 0 || height == 0) return;
  cmsDoTransformLineStride(handle_, source, destination, static_cast<cmsUInt32Number>(width),
                           static_cast<cmsUInt32Number>(height),
                           static_cast<cmsUInt32Number>(stride),
                           static_cast<cmsUInt32Number>(stride), 0, 0);
}

}  // namespace kv71p
