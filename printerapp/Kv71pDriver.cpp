#include "printerapp/Kv71pDriver.h"

#include <strings.h>

#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/DeviceUri.h"
#include "printerapp/DriverTables.h"
#include "printerapp/JobObserver.h"
#include "printerapp/PhotoJob.h"
#include "printerapp/PrinterRegistry.h"
#include "printerapp/PrinterStatus.h"
#include "printerapp/UsbJobLink.h"
#include "printerapp/UsbPrinter.h"

namespace kv71p::printerapp {

pappl_pr_driver_t kDrivers[1] = {
    {"kv71p", "KORVALE SYSTEMS KV-71P", "MFG:Korvale;MDL:KV-71P;", nullptr},
};

namespace {

// A job's state between PAPPL's raster callbacks: the printer's link for
// the job and the job's pages and prints.
struct JobData {
  JobData(pappl_job_t* job, const std::string& serialNo) : observer(job), link(serialNo, observer) {}
  JobObserver observer;
  UsbJobLink link;
  std::optional<PhotoJob> photos;
};

JobData* DataOf(pappl_job_t* job) { return static_cast<JobData*>(papplJobGetData(job)); }

UsbPrinter* UsbPrinterOf(pappl_printer_t* printer) {
  pappl_pr_driver_data_t data;
  papplPrinterGetDriverData(printer, &data);
  return static_cast<UsbPrinter*>(data.extension);
}

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

// Gets the printer ready (its lock, the printer itself, its loaded media)
// before the first page.
bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*) {
  std::string serialNo;
  if (!SerialNumberOfDeviceUri(papplPrinterGetDeviceURI(papplJobGetPrinter(job)), &serialNo)) return false;
  std::unique_ptr<JobData> data(new (std::nothrow) JobData(job, serialNo));
  if (!data) return false;
  filter::PerJobValues loadedMedia;
  if (data->link.Prepare(&loadedMedia) != StepResult::Done) return false;
  JobObserver* observer = &data->observer;
  data->photos.emplace(ChoicesOf(job, options), loadedMedia, data->link,
                       [observer] { return observer->CancelRequested(); });
  papplJobSetData(job, data.release());
  return true;
}

// (The page's log lines time PAPPL's placing of an image's lines and the
// composing of its prints apart.)
bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  JobData* data = DataOf(job);
  data->observer.Log("Page " + std::to_string(page) + ": its lines come.");
  if (data->photos->StartPage(options->header, page)) return true;
  data->observer.Say(data->photos->error(), PAPPL_LOGLEVEL_ERROR);
  return false;
}

bool WriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned y, const unsigned char* line) {
  DataOf(job)->photos->WriteLine(y, line);
  return true;
}

bool EndPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  JobData* data = DataOf(job);
  data->observer.Log("Page " + std::to_string(page) + ": all lines in.");
  return data->photos->EndPage(options->copies);
}

// Sends the last print. PAPPL calls it a second time when it failed (1.3.1,
// images): the job's state is gone by then.
bool EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  std::unique_ptr<JobData> data(DataOf(job));
  papplJobSetData(job, nullptr);
  if (!data) return false;
  const bool finished = data->photos->Finish();
  if (data->photos->lastSend() == StepResult::Failed)
    data->observer.Log("A print did not reach the printer.", PAPPL_LOGLEVEL_ERROR);
  return finished;
}

// Documents in the printer's own language are not taken: every job is
// composed from pages.
bool PrintRawFile(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Documents that are not pages (JPEG, PNG, PWG raster) are not printed.");
  return false;
}

// The printer's state while it is idle: PAPPL asks for it before it
// answers for the printer (at most every other second), never while a job
// runs. A printer in use elsewhere keeps the state last shown.
bool UpdateStatus(pappl_printer_t* printer) {
  UsbPrinter* usb = UsbPrinterOf(printer);
  if (usb == nullptr) return true;
  PrinterReading reading;
  switch (usb->ReadWhenIdle(&reading)) {
    case IdleReading::Read:
      ShowReading(printer, reading);
      break;
    case IdleReading::Absent:
      ShowStatus(printer, kStatusUnknown);
      if (papplPrinterGetSupplies(printer, 0, nullptr) == 0) ShowSupplies(printer, delivery::Supplies());
      break;
    case IdleReading::Skipped:
      break;
  }
  return true;
}

void DeletePrinter(pappl_printer_t*, pappl_pr_driver_data_t* data) {
  delete static_cast<UsbPrinter*>(data->extension);
  data->extension = nullptr;
}

// The maker and model fields of an IEEE 1284 device ID.
std::pair<std::string, std::string> MakeAndModelOf(const char* deviceId) {
  cups_option_t* fields = nullptr;
  const int count = papplDeviceParseID(deviceId, &fields);
  const char* make = cupsGetOption("MFG", count, fields);
  if (make == nullptr) make = cupsGetOption("MANUFACTURER", count, fields);
  const char* model = cupsGetOption("MDL", count, fields);
  if (model == nullptr) model = cupsGetOption("MODEL", count, fields);
  std::pair<std::string, std::string> makeAndModel(make != nullptr ? make : "", model != nullptr ? model : "");
  cupsFreeOptions(count, fields);
  return makeAndModel;
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

}  // namespace

const char* DriverOfDevice(const char*, const char*, const char* deviceId, void*) {
  if (deviceId == nullptr) return nullptr;
  const auto device = MakeAndModelOf(deviceId), driver = MakeAndModelOf(kDrivers[0].device_id);
  return strcasecmp(device.first.c_str(), driver.first.c_str()) == 0 &&
                 strcasecmp(device.second.c_str(), driver.second.c_str()) == 0
             ? kDrivers[0].name
             : nullptr;
}

bool FillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri, const char*,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void* registry) {
  if (driverName == nullptr || std::strcmp(driverName, kDrivers[0].name) != 0) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "Unknown driver '%s'.", driverName != nullptr ? driverName : "");
    return false;
  }
  std::string serialNo;
  if (deviceUri == nullptr || !SerialNumberOfDeviceUri(deviceUri, &serialNo)) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "'%s' is no KV-71P device URI (%s<serial number>).",
             deviceUri != nullptr ? deviceUri : "", kDeviceUriPrefix);
    return false;
  }
  data->extension = new (std::nothrow) UsbPrinter(serialNo, *static_cast<PrinterRegistry*>(registry));
  if (data->extension == nullptr) return false;
  data->delete_cb = DeletePrinter;
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
  data->source[0] = kMediaSource;
  data->num_type = 1;
  data->type[0] = kMediaType;
  data->media_default = MediaColOf(kMediaSizes[kDefaultMediaSize]);
  data->media_ready[0] = data->media_default;

  data->num_vendor = 0;
  for (size_t i = 0; i < kVendorOptionCount; ++i) data->vendor[data->num_vendor++] = kVendorOptions[i].name;
  *attrs = DriverAttributes();
  return true;
}

}  // namespace kv71p::printerapp
