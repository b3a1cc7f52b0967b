// The print options of a job: the job's options first, the default choices
// of the queue's PPD second. Values are compared case-sensitively.
#pragma once

#include <cups/cups.h>
#include <cups/ppd.h>

namespace kv71p::filter {

class PrintOptions {
 public:
  // Neither the options nor the PPD are taken over; either may be absent.
  PrintOptions(int numOptions, cups_option_t* options, ppd_file_t* ppd)
      : numOptions_(numOptions), options_(options), ppd_(ppd) {}

  // Value of the print option `keyword`: the job option `keyword`; for
  // "PageSize" the job option "media"; the default choice of the PPD's
  // option `keyword`. Null when none exists. The text belongs to the
  // option list or to the PPD.
  const char* Value(const char* keyword) const;

  // The job option `keyword` alone (no PPD default); null when absent.
  const char* JobOption(const char* keyword) const;

  // True when the option exists and is exactly `text`.
  bool Is(const char* keyword, const char* text) const;

 private:
  int numOptions_;
  cups_option_t* options_;
  ppd_file_t* ppd_;
};

}  // namespace kv71p::filter
