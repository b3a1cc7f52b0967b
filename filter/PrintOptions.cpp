#include "filter/PrintOptions.h"

#include <cstring>

namespace kv71p::filter {

namespace {

// Default choice of a PPD option, or null. libcups marks its PPD interface
// deprecated; the filter reads the queue's PPD through it all the same.
const char* PpdDefaultChoice(ppd_file_t* ppd, const char* keyword) {
  if (ppd == nullptr) return nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ppd_option_t* option = ppdFindOption(ppd, keyword);
#pragma GCC diagnostic pop
  return option ? option->defchoice : nullptr;
}

}  // namespace

const char* PrintOptions::JobOption(const char* keyword) const {
  return keyword == nullptr ? nullptr : cupsGetOption(keyword, numOptions_, options_);
}

const char* PrintOptions::Value(const char* keyword) const {
  if (keyword == nullptr) return nullptr;
  const char* value = JobOption(keyword);
  if (value == nullptr && std::strcmp(keyword, "PageSize") == 0) value = JobOption("media");
  if (value == nullptr) value = PpdDefaultChoice(ppd_, keyword);
  return value;
}

bool PrintOptions::Is(const char* keyword, const char* text) const {
  const char* value = Value(keyword);
  return value != nullptr && std::strcmp(value, text) == 0;
}

}  // namespace kv71p::filter
