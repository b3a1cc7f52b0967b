// The job's settings read from its print options (PPD keywords "Resolution",
// "PageSize", "VexBorder", "VexICM", "VexSharpness", "VexGamma[RGB]",
// "VexBrightness[RGB]", "VexContrast[RGB]", "VexChroma",
// "VexColorAdjustment", "Vex2InchCut", "VexOvercoatFinish",
// "VexPrintRetry", "VexPrintSpeed", and the job option
// "AP_ColorMatchingMode"). The ICC profile is left to the caller: it
// depends on the media loaded in the printer.
#pragma once

#include "filter/JobSettings.h"
#include "filter/PrintOptions.h"

namespace kv71p::filter {

JobSettings JobSettingsFromOptions(const PrintOptions& options);

}  // namespace kv71p::filter
