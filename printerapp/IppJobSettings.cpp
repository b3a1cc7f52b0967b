#include "printerapp/IppJobSettings.h"

#include <cups/cups.h>

#include "filter/JobSettingsFromOptions.h"
#include "filter/PrintOptions.h"
#include "platform/cups/CupsOptionList.h"
#include "printerapp/DriverTables.h"

namespace kv71p::printerapp {

namespace {

// The PPD choice of `option`: the job's value, the printer's, the row's
// default, the first of them that the row accepts.
const char* ChoiceOf(const VendorOptionRow& option, const IppJobChoices& choices, char (&number)[16]) {
  for (const auto* values : {&choices.jobValues, &choices.printerValues}) {
    const auto found = values->find(option.name);
    if (found == values->end()) continue;
    if (const char* choice = PpdChoiceOf(option, found->second.c_str(), number)) return choice;
  }
  return PpdChoiceOf(option, option.defaultValue, number);
}

}  // namespace

bool JobSettingsOfIppJob(const IppJobChoices& choices, filter::JobSettings* settings) {
  const ResolutionRow* resolution = FindResolution(choices.xdpi, choices.ydpi);
  if (resolution == nullptr) return false;
  const MediaSizeRow* media = FindMediaSize(choices.mediaSize.c_str());
  if (media == nullptr) media = &kMediaSizes[kDefaultMediaSize];

  CupsOptionList list;  // PPD choices, as the filter's job options hold them
  list.Add("PageSize", media->pageSize);
  list.Add("Resolution", resolution->ppdChoice);
  for (size_t i = 0; i < kVendorOptionCount; ++i) {
    char number[16];
    if (const char* choice = ChoiceOf(kVendorOptions[i], choices, number)) list.Add(kVendorOptions[i].ppdKeyword, choice);
  }
  *settings = filter::JobSettingsFromOptions(filter::PrintOptions(list.count(), list.options(), nullptr));
  return true;
}

}  // namespace kv71p::printerapp
