// The per-job file "Print_<job-id>.log" in the cache folder
// (docs/printer-files.md): the printer's information file with fresh
// answers, which the filter of the same job waits for to learn the media
// loaded in the printer. Written with the suite's safe writer (a new file
// renamed over the name, so a link planted there is replaced, never
// followed), readable by the filter, and removed when the job ends however
// it ends.
#pragma once

#include <string>

namespace kv71p::backend {

class PerJobFile {
 public:
  // `jobId` is a job number (checked by the arguments). A file of that name
  // left from before is removed.
  explicit PerJobFile(std::string jobId);
  ~PerJobFile();
  PerJobFile(const PerJobFile&) = delete;
  PerJobFile& operator=(const PerJobFile&) = delete;

  // Replaces the file with `text`; false when it could not be written.
  bool Write(const std::string& text);
  void Remove();

 private:
  std::string name_;
};

}  // namespace kv71p::backend
