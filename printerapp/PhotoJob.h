// One job of the printer application, PAPPL aside: its pages arrive line by
// line (8-bit sRGB or grey, the top line first) and are kept in the filter's
// page memory; each page goes to the print composer when it ends, and the
// prints go to the printer link one at a time. The job's settings are made
// when its first page starts, from the IPP choices and that page's
// resolution.
#pragma once

#include <cups/raster.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filter/DeviceEntry.h"
#include "filter/FilterJob.h"
#include "filter/PrintComposer.h"
#include "filter/RasterPage.h"
#include "printerapp/IppJobSettings.h"
#include "printerapp/PrintBuffer.h"
#include "printerapp/PrinterLink.h"

namespace kv71p::printerapp {

class PhotoJob {
 public:
  // `loadedMedia` is what the link's Prepare read. `link` must outlive the
  // job. The prints are composed for the model `makeModel` makes (null:
  // the KV-71P).
  PhotoJob(IppJobChoices choices, filter::PerJobValues loadedMedia, PrinterLink& link,
           filter::PrintComposer::CancelCheck canceled, filter::ModelMaker makeModel = nullptr);

  // Starts page `pageNumber` with `header`. A page that arrives again under
  // the number of the page before is another copy of it (PAPPL renders an
  // image once per copy): the first arrival placed every copy, so its lines
  // are dropped. False when the page cannot be printed: its raster is not
  // 8-bit sRGB or grey, its resolution is not the printer's or not the one
  // of the job's first page, or its memory cannot be obtained (error()
  // says which).
  bool StartPage(const cups_page_header2_t& header, unsigned pageNumber);

  // Stores line `y` of the page (the header's cupsBytesPerLine bytes).
  void WriteLine(unsigned y, const unsigned char* line);

  // Ends the page: it is processed once and placed `copies` times. False
  // when the job cannot go on (cancelled, or a print was not sent).
  bool EndPage(int copies);

  // Sends the last print, when photos wait for one. False as EndPage.
  bool Finish();

  const std::string& error() const { return error_; }
  // How the last print went.
  StepResult lastSend() const { return buffer_.lastResult(); }

 private:
  bool Refuse(const std::string& why);

  IppJobChoices choices_;
  filter::PerJobValues loadedMedia_;
  filter::PrintComposer::CancelCheck canceled_;
  PrintBuffer buffer_;
  std::unique_ptr<filter::DeviceEntry> entry_;
  std::optional<filter::PrintComposer> composer_;

  cups_page_header2_t header_{};  // the page's header as a 24-bit sRGB page
  filter::RasterPageBuffers page_;
  bool pageOpen_ = false;   // lines of the current page are stored
  bool greyLines_ = false;  // the current page's lines are 8-bit grey
  std::vector<unsigned char> rgbLine_;
  unsigned lastPageNumber_ = 0;
  std::string error_;
};

}  // namespace kv71p::printerapp
