// Fuzz target: the printer application's page callbacks. PAPPL hands a
// job's pages to the driver as a page header, its lines one at a time and
// the page's end (Kv71pDriver's StartPage, WriteLine and EndPage, which
// pass them to PhotoJob); here PhotoJob gets them straight from the input:
// the job's media and vendor attributes, the printer's defaults, the media
// the printer reports loaded, then up to four pages of any header numbers
// (colour kind, size, line length, resolution, page number, copies) with
// their lines in any order, any line numbers and any bytes. The prints are
// composed for the smaller KV-71P of fuzz/SmallModel.h and go to a link in
// memory that may refuse one or report the job cancelled; the command
// stream of every print it took is checked by the decoder.
//
// Input: media size name, NUL, the job's vendor attributes as CUPS options
// text ("kv71p-sharpness=3 ..."), NUL, the printer's defaults the same
// way, NUL, the loaded roll's MEDIA_SIZE, NUL, its MEDIA_CLASS, NUL, then
// bytes: remaining half prints (2), the print the link refuses (1), the
// cancel check that answers yes (1), and per page: kind (1), width (1),
// height (1), line slack (1), copies (1), line count (1), and for each
// line its number (1) and up to a line's bytes (the rest of the input
// repeated when it runs short).
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/SmallModel.h"
#include "platform/cups/CupsOptionList.h"
#include "printerapp/PhotoJob.h"
#include "tools/decoder/StreamDecoder.h"

using kv71p::fuzz::InputReader;
using kv71p::fuzz::Require;
using namespace kv71p::printerapp;

namespace {

constexpr unsigned kMaxPages = 4;

// Takes the prints in memory; refuses print `refuse` (0: none) with
// `refusal`.
class MemoryLink : public PrinterLink {
 public:
  MemoryLink(int refuse, StepResult refusal) : refuse_(refuse), refusal_(refusal) {}
  StepResult Prepare(kv71p::filter::PerJobValues*) override { return StepResult::Done; }
  StepResult SendPrint(const kv71p::delivery::Print& print) override {
    if (print.number == refuse_) return refusal_;
    for (const auto& block : print.blocks) stream.insert(stream.end(), block.begin(), block.end());
    ++prints;
    return StepResult::Done;
  }
  std::vector<unsigned char> stream;
  int prints = 0;

 private:
  int refuse_;
  StepResult refusal_;
};

std::map<std::string, std::string> ValuesOf(const std::string& text) {
  const kv71p::CupsOptionList options(text.c_str());
  std::map<std::string, std::string> values;
  for (int i = 0; i < options.count(); ++i) values[options.options()[i].name] = options.options()[i].value;
  return values;
}

// The page header of one page from the input: a kind byte picks the colour
// kind (sRGB, RGB, grey, or any bits per pixel), the resolution and
// whether the page repeats the page number before.
cups_page_header2_t PageHeader(InputReader& in, bool* samePageNumber) {
  cups_page_header2_t h{};
  const uint8_t kind = in.Byte();
  static const cups_cspace_t kSpaces[] = {CUPS_CSPACE_SRGB, CUPS_CSPACE_RGB, CUPS_CSPACE_SW, CUPS_CSPACE_W};
  h.cupsColorSpace = kSpaces[kind & 3];
  h.cupsBitsPerColor = 8;
  h.cupsBitsPerPixel = (kind & 2) ? 8 : 24;
  if (kind & 4) h.cupsBitsPerPixel = in.Byte();  // any bits per pixel
  if (kind & 8) h.cupsColorOrder = CUPS_ORDER_BANDED;
  static const unsigned kResolutions[][2] = {{300, 300}, {300, 600}, {600, 600}, {600, 300}};
  h.HWResolution[0] = kResolutions[(kind >> 4) & 3][0];
  h.HWResolution[1] = kResolutions[(kind >> 4) & 3][1];
  *samePageNumber = (kind & 64) != 0;
  h.cupsWidth = in.Byte();
  h.cupsHeight = in.Byte();
  const unsigned slack = in.Byte();  // bytes past the pixels; 255: one byte short
  const unsigned pixels = h.cupsWidth * ((h.cupsBitsPerPixel + 7) / 8);
  h.cupsBytesPerLine = slack == 255 ? (pixels > 0 ? pixels - 1 : 0) : pixels + slack % 4;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  IppJobChoices choices;
  choices.mediaSize = in.Until('\0');
  choices.jobValues = ValuesOf(in.Until('\0'));
  choices.printerValues = ValuesOf(in.Until('\0'));
  kv71p::filter::PerJobValues loaded;
  loaded.mediaSize = in.Until('\0');
  loaded.mediaClass = in.Until('\0');
  loaded.remainHalf = static_cast<int16_t>(in.Word());
  const uint8_t refuse = in.Byte();
  const uint8_t cancelAt = in.Byte();

  MemoryLink link(refuse & 15, refuse & 16 ? StepResult::Canceled : StepResult::Failed);
  unsigned checks = 0;
  bool jobGoesOn = true;
  {
    PhotoJob job(choices, loaded, link, [&] { return cancelAt != 0 && ++checks >= cancelAt * 16u; },
                 kv71p::fuzz::MakeSmallModel);
    unsigned pageNumber = 0;
    std::vector<unsigned char> line;
    for (unsigned page = 0; jobGoesOn && page < kMaxPages && in.left() > 0; ++page) {
      bool samePageNumber = false;
      const cups_page_header2_t header = PageHeader(in, &samePageNumber);
      const int copies = static_cast<int8_t>(in.Byte()) % 8;
      if (!samePageNumber || pageNumber == 0) ++pageNumber;
      // A page PAPPL could not start ends the job, as the callbacks do.
      if (!job.StartPage(header, pageNumber)) break;
      line.assign(header.cupsBytesPerLine, 0);
      for (unsigned lines = in.Byte(); lines > 0; --lines) {
        const unsigned y = in.Byte();
        for (auto& byte : line) byte = in.left() > 0 ? in.Byte() : static_cast<unsigned char>(y);
        job.WriteLine(y, line.data());
      }
      jobGoesOn = job.EndPage(copies);
    }
    if (jobGoesOn) job.Finish();
  }

  kv71p::StreamDecoder decoder([](kv71p::StreamBlock&&) {});
  decoder.Feed(link.stream.data(), link.stream.size());
  if (decoder.failed())
    std::fprintf(stderr, "at byte %llu: %s\n", static_cast<unsigned long long>(decoder.error().offset),
                 decoder.error().message.c_str());
  Require(!decoder.failed(), "a print holds a malformed block");
  Require(decoder.Finish() == 0, "a print ends inside a block");
  return 0;
}
