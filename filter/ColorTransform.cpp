#include "filter/ColorTransform.h"

namespace kv71p::filter {

ColorTransformRef get_colord_transform_func(const char* path) {
  if (path == nullptr) return nullptr;
  return kv71p::ColorEngineTransform::FromProfile(path).release();
}

void releaseTransform(ColorTransformRef transform) { delete transform; }

}  // namespace kv71p::filter
