// Transforms built once per profile file and shared: building one from a
// LUT profile costs milliseconds (the engine optimises its pipeline), more
// than converting a photo, and a job with several photos, or the printer
// application's jobs one after another, would otherwise build the same
// transform again for every page. Converting through a shared transform
// from several threads at once is safe: the engine keeps no state between
// conversions.
#pragma once

#include <memory>
#include <string>

#include "platform/color/ColorEngine.h"

namespace kv71p {

// The transform sRGB -> device RGB of the profile at `path` (see
// ColorEngineTransform::FromProfile), reused while the file stays the same
// (same inode, size and modification time); a replaced or rewritten file
// gets a new one. Null when no transform can be built.
std::shared_ptr<const ColorEngineTransform> SharedTransformOfProfile(const std::string& path);

}  // namespace kv71p
