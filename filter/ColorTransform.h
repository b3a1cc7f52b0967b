// The colour-matching transform of the pipeline: sRGB to the device colours
// of a printer's ICC profile, each profile using the rendering intent in
// its own header, applied to rows of 8-bit RGB.
#pragma once

#include <memory>

#include "platform/color/ColorEngine.h"

namespace kv71p::filter {

// A transform reference; null when none could be made.
using ColorTransformRef = kv71p::ColorEngineTransform*;

// Builds the transform for the profile file at `path` (a file-system
// path). Null when the file is missing, is not a profile, is not an RGB
// profile, or the engine refuses it.
ColorTransformRef get_colord_transform_func(const char* path);

// Releases a transform; null is ignored.
void releaseTransform(ColorTransformRef transform);

// Owns a transform for the length of a scope.
struct ColorTransformRelease {
  void operator()(kv71p::ColorEngineTransform* transform) const { releaseTransform(transform); }
};
using ColorTransformHolder = std::unique_ptr<kv71p::ColorEngineTransform, ColorTransformRelease>;

}  // namespace kv71p::filter
