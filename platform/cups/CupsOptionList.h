// A libcups option list (name=value pairs) that frees itself: the job's
// options as CUPS hands them to a filter, or a list built pair by pair.
#pragma once

#include <cups/cups.h>

namespace kv71p {

class CupsOptionList {
 public:
  CupsOptionList() = default;
  // Parses CUPS's option text ("name=value name2='a b' ..."); null is empty.
  explicit CupsOptionList(const char* text) {
    if (text != nullptr) count_ = cupsParseOptions(text, 0, &options_);
  }
  ~CupsOptionList() { cupsFreeOptions(count_, options_); }
  CupsOptionList(const CupsOptionList&) = delete;
  CupsOptionList& operator=(const CupsOptionList&) = delete;

  // Sets `name` to `value`, replacing an earlier value of the same name.
  void Add(const char* name, const char* value) { count_ = cupsAddOption(name, value, count_, &options_); }
  // The value of `name`, or null.
  const char* Get(const char* name) const { return cupsGetOption(name, count_, options_); }

  int count() const { return count_; }
  cups_option_t* options() const { return options_; }

 private:
  int count_ = 0;
  cups_option_t* options_ = nullptr;
};

}  // namespace kv71p
