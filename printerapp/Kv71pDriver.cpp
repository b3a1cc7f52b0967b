#include "printerapp/Kv71pDriver.h"

#include <cstring>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "printerapp/DeviceLink.h"
#include "printerapp/DriverTables.h"
#include "printerapp/PhotoJob.h"

namespace kv71p::printerapp {

pappl_pr_driver_t kDrivers[1] = {
    {"kv71p", "KORVALE SYSTEMS KV-71P", "MFG:Korvale;MDL:KV-71P;", nullptr},
};

namespace {

// The printer's one supply until the printer reports its own: the ribbon
// (with the paper it comes with), level unknown.
const pappl_supply_t kSupplies[] = {
    {PAPPL_SUPPLY_COLOR_MULTIPLE, "Ribbon", true, -1, PAPPL_SUPPLY_TYPE_INK_RIBBON},
};

// The media source: the roll of paper.
constexpr char kSource[] = "main-roll";
constexpr char kMediaType[] = "photographic";

// A job's state between PAPPL's raster callbacks.
struct JobData {
  JobData(IppJobChoices choices, pappl_device_t* device, pappl_job_t* job)
      : link(device), photos(std::move(choices), link, [job] { return papplJobIsCanceled(job); }) {}
  DeviceLink link;
  PhotoJob photos;
};

JobData* DataOf(pappl_job_t* job) { return static_cast<JobData*>(papplJobGetData(job)); }

// The vendor attribute values that the printer's defaults hold.
std::map<std::string, std::string> PrinterDefaults(pappl_printer_t* printer) {
  std::map<std::string, std::string> values;
  ipp_t* attrs = papplPrinterGetDriverAttributes(printer);
  for (size_t i = 0; i < kVendorOptionCount; ++i) {
    const std::string name = std::string(kVendorOptions[i].name) + "-default";
    if (ipp_attribute_t* attr = ippFindAttribute(attrs, name.c_str(), IPP_TAG_ZERO)) {
      char text[256];
      ippAttributeString(attr, text, sizeof text);
      values[kVendorOptions[i].name] = text;
    }
  }
  ippDelete(attrs);
  return values;
}

// The IPP choices of a job: its media and vendor attributes, the printer's
// defaults behind them.
IppJobChoices ChoicesOf(pappl_job_t* job, const pappl_pr_options_t* options) {
  IppJobChoices choices;
  choices.mediaSize = options->media.size_name;
  for (int i = 0; i < options->num_vendor; ++i) choices.jobValues[options->vendor[i].name] = options->vendor[i].value;
  choices.printerValues = PrinterDefaults(papplJobGetPrinter(job));
  return choices;
}

bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  auto* data = new (std::nothrow) JobData(ChoicesOf(job, options), device, job);
  if (data == nullptr) return false;
  papplJobSetData(job, data);
  return true;
}

bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  JobData* data = DataOf(job);
  if (data->photos.StartPage(options->header, page)) return true;
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", data->photos.error().c_str());
  papplJobSetMessage(job, "%s", data->photos.error().c_str());
  return false;
}

bool WriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned y, const unsigned char* line) {
  DataOf(job)->photos.WriteLine(y, line);
  return true;
}

bool EndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned) {
  return DataOf(job)->photos.EndPage(options->copies);
}

bool EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  JobData* data = DataOf(job);
  const bool finished = data->photos.Finish();
  if (data->photos.lastSend() == SendResult::Failed) papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "A print did not reach the printer.");
  delete data;
  papplJobSetData(job, nullptr);
  return finished;
}

// Documents in the printer's own language are not taken: every job is
// composed from pages.
bool PrintRawFile(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Documents that are not pages (JPEG, PNG, PWG raster) are not printed.");
  return false;
}

bool UpdateStatus(pappl_printer_t* printer) {
  if (papplPrinterGetSupplies(printer, 0, nullptr) == 0) {
    pappl_supply_t supplies[sizeof kSupplies / sizeof kSupplies[0]];
    std::memcpy(supplies, kSupplies, sizeof supplies);
    papplPrinterSetSupplies(printer, static_cast<int>(sizeof kSupplies / sizeof kSupplies[0]), supplies);
  }
  return true;
}

// The printer has no display: the message goes to the log.
void Identify(pappl_printer_t* printer, pappl_identify_actions_t, const char* message) {
  papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify-Printer: %s", message != nullptr ? message : "");
}

// The printer attributes the driver adds to PAPPL's: the vendor
// attributes' "-default" and "-supported" values, and what IPP Everywhere
// asks and PAPPL leaves out: colour matching uses the printer profile's own
// rendering intent, there is no back side, no preferred attributes.
ipp_t* DriverAttributes() {
  ipp_t* attrs = ippNew();
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr, "auto");
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", nullptr, "auto");
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back", nullptr, "normal");
  ippAddBoolean(attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
  for (size_t i = 0; i < kVendorOptionCount; ++i) {
    const VendorOptionRow& row = kVendorOptions[i];
    const std::string def = std::string(row.name) + "-default", sup = std::string(row.name) + "-supported";
    switch (row.syntax) {
      case VendorSyntax::Boolean:
        ippAddBoolean(attrs, IPP_TAG_PRINTER, def.c_str(), std::strcmp(row.defaultValue, "true") == 0);
        ippAddBoolean(attrs, IPP_TAG_PRINTER, sup.c_str(), 1);
        break;
      case VendorSyntax::Range:
        ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, def.c_str(), std::atoi(row.defaultValue));
        ippAddRange(attrs, IPP_TAG_PRINTER, sup.c_str(), row.lower, row.upper);
        break;
      case VendorSyntax::Keyword: {
        ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, def.c_str(), nullptr, row.defaultValue);
        std::vector<const char*> keywords;
        for (size_t k = 0; k < row.choiceCount; ++k) keywords.push_back(row.choices[k].ippValue);
        ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, sup.c_str(), static_cast<int>(keywords.size()), nullptr,
                      keywords.data());
        break;
      }
    }
  }
  return attrs;
}

// Media `row` as PAPPL's media record: borderless, on the roll.
pappl_media_col_t MediaCol(const MediaSizeRow& row) {
  pappl_media_col_t col{};
  const pwg_media_t* pwg = pwgMediaForPWG(row.pwgName);
  col.size_width = pwg != nullptr ? pwg->width : 0;
  col.size_length = pwg != nullptr ? pwg->length : 0;
  std::strncpy(col.size_name, row.pwgName, sizeof col.size_name - 1);
  std::strncpy(col.source, kSource, sizeof col.source - 1);
  std::strncpy(col.type, kMediaType, sizeof col.type - 1);
  return col;
}

}  // namespace

bool FillDriverData(pappl_system_t* system, const char* driverName, const char*, const char*,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
  if (driverName == nullptr || std::strcmp(driverName, kDrivers[0].name) != 0) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "Unknown driver '%s'.", driverName != nullptr ? driverName : "");
    return false;
  }
  data->printfile_cb = PrintRawFile;
  data->rstartjob_cb = StartJob;
  data->rstartpage_cb = StartPage;
  data->rwriteline_cb = WriteLine;
  data->rendpage_cb = EndPage;
  data->rendjob_cb = EndJob;
  data->status_cb = UpdateStatus;
  data->identify_cb = Identify;

  std::strncpy(data->make_and_model, kDrivers[0].description, sizeof data->make_and_model - 1);
  data->format = "image/pwg-raster";
  data->kind = PAPPL_KIND_PHOTO;
  data->ppm = 1;
  data->ppm_color = 1;
  data->has_supplies = true;
  data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
  data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;

  // 8-bit sRGB pages (grey ones are printed as the sRGB they stand for),
  // photos scaled to fill the borderless page unless they fit as they are.
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
  data->color_default = PAPPL_COLOR_MODE_COLOR;
  data->content_default = PAPPL_CONTENT_PHOTO;
  data->scaling_default = PAPPL_SCALING_AUTO;
  data->orient_default = IPP_ORIENT_PORTRAIT;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;

  // print-quality draft (the default) is the first resolution, normal the
  // middle one, high the last.
  data->quality_default = IPP_QUALITY_DRAFT;
  data->num_resolution = 0;
  for (const ResolutionRow& r : kResolutions) {
    data->x_resolution[data->num_resolution] = r.xdpi;
    data->y_resolution[data->num_resolution++] = r.ydpi;
  }
  data->x_default = kResolutions[0].xdpi;
  data->y_default = kResolutions[0].ydpi;

  // Every size is borderless: no margins at all.
  data->left_right = 0;
  data->bottom_top = 0;
  data->num_media = 0;
  for (const MediaSizeRow& m : kMediaSizes) data->media[data->num_media++] = m.pwgName;
  data->num_source = 1;
  data->source[0] = kSource;
  data->num_type = 1;
  data->type[0] = kMediaType;
  data->media_default = MediaCol(kMediaSizes[kDefaultMediaSize]);
  data->media_ready[0] = data->media_default;

  data->num_vendor = 0;
  for (size_t i = 0; i < kVendorOptionCount; ++i) data->vendor[data->num_vendor++] = kVendorOptions[i].name;
  *attrs = DriverAttributes();
  return true;
}

}  // namespace kv71p::printerapp
