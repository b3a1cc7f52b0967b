// The KV-71P as the printer application shows it to IPP clients: its media
// sizes, resolutions and vendor attributes, each row naming the choice of
// the queue's PPD that it stands for. A job's IPP values become those PPD
// choices, and the filter's settings code reads them (IppJobSettings), so
// the application and the filter agree on every setting by construction.
#pragma once

#include <cstddef>
#include <string>

namespace kv71p::printerapp {

// One media size: a PWG self-describing name whose size, in hundredths of
// millimetres, is the printer's page in dots at 300 dpi rounded up (so the
// raster PAPPL makes for it has exactly the page's dots at 300 and 600
// dpi), and the PPD's PageSize choice. Every size is borderless.
struct MediaSizeRow {
  const char* pwgName;
  const char* pageSize;
};
extern const MediaSizeRow kMediaSizes[8];
// The one media source (the roll of paper) and media type.
inline constexpr char kMediaSource[] = "main-roll";
inline constexpr char kMediaType[] = "photographic";

// The size that PAPPL offers by default and reports as loaded until the
// printer says what it holds.
inline constexpr size_t kDefaultMediaSize = 0;

// One resolution and the PPD's Resolution choice.
struct ResolutionRow {
  int xdpi;
  int ydpi;
  const char* ppdChoice;
};
// In PAPPL's order for print-quality: draft (the first, the default),
// normal (the middle one), high (the last).
extern const ResolutionRow kResolutions[3];

// One value a keyword or boolean vendor attribute takes: its IPP text and
// the PPD choice it stands for.
struct VendorChoice {
  const char* ippValue;
  const char* ppdChoice;
};

enum class VendorSyntax { Boolean, Range, Keyword };

// One vendor attribute: a setting IPP has no word for. A boolean has the
// choices {false, true}; a range passes its number to the PPD keyword.
struct VendorOptionRow {
  const char* name;        // IPP attribute name (job template and "-default")
  const char* ppdKeyword;  // the PPD option it sets
  VendorSyntax syntax;
  const char* defaultValue;  // IPP text of the default
  int lower, upper;          // Range: the values accepted
  const VendorChoice* choices;  // Boolean, Keyword: the values accepted
  size_t choiceCount;
};
extern const VendorOptionRow kVendorOptions[];
extern const size_t kVendorOptionCount;

// The roll the printer reports loaded (MEDIA_SIZE of its information file)
// and the media size shown as ready for it (media-ready).
struct LoadedRollRow {
  const char* mediaSize;
  size_t mediaRow;  // index into kMediaSizes
};
extern const LoadedRollRow kLoadedRolls[3];

// The ready media size of a loaded roll, or null for a roll not known.
const MediaSizeRow* ReadyMediaOf(const std::string& mediaSize);

// The row of `pwgName`, or null.
const MediaSizeRow* FindMediaSize(const char* pwgName);
// The row of a resolution, or null.
const ResolutionRow* FindResolution(unsigned xdpi, unsigned ydpi);

// The PPD choice that `ippValue` of `option` stands for; null when the
// option does not accept it (a range value outside its bounds, a keyword
// it does not list). For a range the choice is written into `number`.
const char* PpdChoiceOf(const VendorOptionRow& option, const char* ippValue, char (&number)[16]);

}  // namespace kv71p::printerapp
