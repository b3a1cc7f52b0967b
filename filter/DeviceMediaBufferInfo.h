// The job's media and layout record: one row of the model's media table
// and the device sizes derived from it for the job's resolution.
#pragma once

#include <cstdint>

namespace kv71p::filter {

// One row of a model's media table. Sizes marked "base" are in dots at
// baseDpi.
struct DeviceMediaTableRow {
  int32_t mediaCode = -1;      // -1: no media
  int32_t multiCutCode = 0;    // value of the "MULTICUT" command
  double widthInch = 0;        // nominal size, informative
  double lengthInch = 0;
  int32_t baseDpi = 0;         // resolution of the base sizes
  int32_t baseWidth = 0;       // page width, base
  int32_t baseLength = 0;      // page length, base
  int32_t marginWidth = 0;     // white border at each side across the width, base
  int32_t marginLength = 0;    // white border at each end along the length, base
  int32_t baseGap = 0;         // gap between the photos of a multi-photo page, base
  int32_t basePhotoWidth = 0;  // one photo, base
  int32_t basePhotoLength = 0;
  int32_t photoCount = 0;      // photos per page, 1 to 3
  int32_t twoInchCut = 0;      // 1: the media admits the 2-inch cut
  double minFirmware = 0;      // lowest firmware version that handles the media
};

// A table row (copied into the record as a whole) plus the sizes in printer
// dots that DeviceEntry::UpdateMediaInfo derives from it.
struct DeviceMediaBufferInfo : DeviceMediaTableRow {
  int32_t headWidth = 0;  // print head width, device dots
  int64_t dpiX = 0;       // always 300
  int64_t dpiY = 0;       // the job's vertical resolution: 300 or 600
  int32_t pageWidth = 0;
  int32_t pageLength = 0;
  int32_t photoWidth = 0;
  int32_t photoLength = 0;
  int32_t gap = 0;
  int32_t photos = 0;

  void SetTableRow(const DeviceMediaTableRow& row) { static_cast<DeviceMediaTableRow&>(*this) = row; }
};

}  // namespace kv71p::filter
