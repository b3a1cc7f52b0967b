// A KV-71P whose media are 24 times smaller, for fuzz targets that compose
// prints at speed: every row of its media table keeps its layout (photos,
// margins, gap, cut, multi-photo rows) and its sizes shrink through the
// same resolution arithmetic the filter applies (the rows' base
// resolution goes up by the factor), so a photo is about a hundred dots
// across instead of 2448. The print head keeps its width: every plane
// still has the printer's 2560 dots a row, as the stream decoder expects.
#pragma once

#include <memory>

#include "filter/BlockWriter.h"
#include "filter/DeviceEntry.h"

namespace kv71p::fuzz {

std::unique_ptr<filter::DeviceEntry> MakeSmallModel(filter::BlockWriter& output);

}  // namespace kv71p::fuzz
