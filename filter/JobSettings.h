// The settings of one job: built once (the filter reads them from the job's
// print options and the queue's PPD, JobSettingsFromOptions), then read by
// the job object, its setting commands and the colour pipeline. A value
// made with no option at all is the default of every setting.
#pragma once

#include <cstdint>
#include <string>

namespace kv71p::filter {

struct JobSettings {
  // --- Media and resolution.
  std::string pageSize;         // page size name; empty: the model's default media
  int64_t resolutionDpi = 300;  // vertical resolution: 300 or 600
  int64_t resolutionMode = 0;   // 0: 300x300, 1: 300x600 dpi, 2: 600x600 dpi

  // --- The colour pipeline.
  bool border = false;            // fit the photo inside the media's margins
  bool icm = true;                // match colours through iccProfile
  std::string iccProfile;         // profile for the matching; empty: none
  int32_t sharpness = 0;          // image library change, within IL_CHANGE_LIMIT
  bool colorAdjustment = false;   // apply gamma, brightness, contrast and chroma
  int32_t gamma[3] = {100, 100, 100};  // red, green, blue: gamma x 100
  int32_t brightness[3] = {0, 0, 0};   // image library changes
  int32_t contrast[3] = {0, 0, 0};
  int32_t chroma = 0;

  // --- The finishing commands sent before every print.
  bool twoInchCut = false;     // asked for; sent only when the media admits it
  int64_t overcoatFinish = 0;  // finish code of the overcoat table
  bool printRetry = true;
  int32_t printSpeed = 0;      // 0, or 10 / 30 at 300x600 dpi
};

}  // namespace kv71p::filter
