// The values the filter reads from the job's per-job file
// ("<cache folder>/Print_<job-id>.log", docs/printer-files.md): the media
// loaded in the printer and its remaining half prints. The file is read
// once, after the job has waited for it.
#pragma once

#include <string>

namespace kv71p::filter {

struct PerJobValues {
  std::string mediaSize;   // MEDIA_SIZE
  std::string mediaClass;  // MEDIA_CLASS
  int remainHalf = 0;      // MEDIA_REMAIN_HALF as a number; 0 when missing
};

// A value of this many characters or more reads as missing.
inline constexpr size_t kMaxPerJobValueLength = 128;

// Reads the per-job file of `jobId`. A key is matched as the information
// file's readers match it (kv71p::FindKeyValue: the first piece of at most
// 255 characters that contains "KEY=", quotes and line feeds dropped). A
// missing file or key gives the empty value.
PerJobValues ReadPerJobValues(const std::string& jobId);

}  // namespace kv71p::filter
