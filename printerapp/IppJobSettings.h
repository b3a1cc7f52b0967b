// A printer application job's settings: its IPP values (the media, the
// raster's resolution, the vendor attributes) written as the choices of the
// queue's PPD that they stand for, then read by the filter's own settings
// code. A vendor attribute the job does not give, or gives a value its row
// does not accept, takes the printer's default; one the printer has no
// default for takes the row's.
#pragma once

#include <map>
#include <string>

#include "filter/JobSettings.h"

namespace kv71p::printerapp {

struct IppJobChoices {
  std::string mediaSize;  // PWG media size name
  unsigned xdpi = 300;    // the raster's resolution
  unsigned ydpi = 300;
  std::map<std::string, std::string> jobValues;      // vendor attribute -> IPP text
  std::map<std::string, std::string> printerValues;  // vendor attribute -> IPP text of "-default"
};

// The settings of a job with `choices`. False when the resolution is not
// one of the printer's (the settings are then left alone).
bool JobSettingsOfIppJob(const IppJobChoices& choices, filter::JobSettings* settings);

}  // namespace kv71p::printerapp
