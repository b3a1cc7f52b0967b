#include "filter/PerJobValues.h"

#include <optional>
#include <vector>

#include "common/CacheFolder.h"
#include "common/KeyValueFile.h"
#include "common/PrinterFiles.h"
#include "common/TextHelpers.h"

namespace kv71p::filter {

PerJobValues ReadPerJobValues(const std::string& jobId) {
  PerJobValues values;
  std::vector<std::optional<std::string>> found;
  FindKeyValues(CacheFilePath(PerJobFileName(jobId)).c_str(),
                {std::string(infokey::kMediaSize) + "=", std::string(infokey::kMediaClass) + "=",
                 std::string(infokey::kMediaRemainHalf) + "="},
                &found);
  // A value too long for the lookups' buffer reads as missing.
  const auto take = [&](size_t k) {
    return found[k] && found[k]->size() < kMaxPerJobValueLength ? *found[k] : std::string();
  };
  values.mediaSize = take(0);
  values.mediaClass = take(1);
  values.remainHalf = ParseInt(take(2).c_str());
  return values;
}

}  // namespace kv71p::filter
