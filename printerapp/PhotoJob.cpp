#include "printerapp/PhotoJob.h"

#include <new>
#include <utility>

#include "filter/DeviceEntry_KV71P.h"

namespace kv71p::printerapp {

namespace {

bool IsRgbPage(const cups_page_header2_t& h) {
  return h.cupsBitsPerPixel == 24 && (h.cupsColorSpace == CUPS_CSPACE_SRGB || h.cupsColorSpace == CUPS_CSPACE_RGB);
}

bool IsGreyPage(const cups_page_header2_t& h) {
  return h.cupsBitsPerPixel == 8 && (h.cupsColorSpace == CUPS_CSPACE_SW || h.cupsColorSpace == CUPS_CSPACE_W);
}

}  // namespace

PhotoJob::PhotoJob(IppJobChoices choices, filter::PerJobValues loadedMedia, PrinterLink& link,
                   filter::PrintComposer::CancelCheck canceled, filter::ModelMaker makeModel)
    : choices_(std::move(choices)),
      loadedMedia_(std::move(loadedMedia)),
      canceled_(std::move(canceled)),
      buffer_(link),
      entry_(makeModel != nullptr ? makeModel(buffer_)
                                  : std::make_unique<filter::DeviceEntry_KV71P>(buffer_)) {}

bool PhotoJob::Refuse(const std::string& why) {
  error_ = why;
  return false;
}

bool PhotoJob::StartPage(const cups_page_header2_t& header, unsigned pageNumber) {
  pageOpen_ = false;
  page_ = filter::RasterPageBuffers{};
  if (composer_ && pageNumber == lastPageNumber_) return true;  // another copy
  lastPageNumber_ = pageNumber;

  greyLines_ = IsGreyPage(header);
  if (header.cupsBitsPerColor != 8 || header.cupsColorOrder != CUPS_ORDER_CHUNKED ||
      (!IsRgbPage(header) && !greyLines_))
    return Refuse("The page is not 8-bit sRGB or grey raster.");
  const unsigned xdpi = header.HWResolution[0], ydpi = header.HWResolution[1];
  if (!composer_) {
    choices_.xdpi = xdpi;
    choices_.ydpi = ydpi;
    filter::JobSettings settings;
    if (!JobSettingsOfIppJob(choices_, &settings))
      return Refuse("The printer does not print at " + std::to_string(xdpi) + "x" + std::to_string(ydpi) + " dpi.");
    composer_.emplace(*entry_, settings, loadedMedia_, nullptr, canceled_);
  } else if (xdpi != choices_.xdpi || ydpi != choices_.ydpi) {
    return Refuse("The pages of a job must share one resolution.");
  }

  // A grey page is stored as the sRGB page it stands for.
  const uint64_t lineBytes = uint64_t{header.cupsWidth} * (greyLines_ ? 1 : 3);
  if (header.cupsWidth > filter::kMaxPageSide || header.cupsBytesPerLine < lineBytes)
    return Refuse("The page's lines do not fit its width, or it is too large.");
  header_ = header;
  header_.cupsBitsPerPixel = 24;
  header_.cupsBytesPerLine = header.cupsWidth * 3;
  try {
    if (greyLines_) rgbLine_.resize(header_.cupsBytesPerLine);
  } catch (const std::bad_alloc&) {
    return Refuse("The memory for the page could not be obtained.");
  }
  if (!filter::AllocRasterPage(header_, 1, &page_))
    return Refuse("The page is too large, or its memory could not be obtained.");
  pageOpen_ = true;
  return true;
}

void PhotoJob::WriteLine(unsigned y, const unsigned char* line) {
  if (!pageOpen_) return;
  if (greyLines_) {
    for (unsigned x = 0; x < header_.cupsWidth; ++x) rgbLine_[3 * x] = rgbLine_[3 * x + 1] = rgbLine_[3 * x + 2] = line[x];
    line = rgbLine_.data();
  }
  filter::StoreRasterLine(header_, &page_, y, line);
}

bool PhotoJob::EndPage(int copies) {
  if (!pageOpen_) return error_.empty();  // another copy of the page before
  pageOpen_ = false;
  return composer_->AddPage(std::move(page_.pixels), header_.cupsWidth, header_.cupsHeight, copies) ==
         filter::EntryResult::Ok;
}

bool PhotoJob::Finish() {
  return !composer_ || composer_->Finish() == filter::EntryResult::Ok;
}

}  // namespace kv71p::printerapp
