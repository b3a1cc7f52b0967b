#include "common/PrinterFiles.h"

#include "common/CacheFolder.h"

namespace kv71p {

std::string InformationFileName(const std::string& serialNo) {
  return std::string(kModelName) + "_" + serialNo + ".log";
}

std::string InformationFilePath(const std::string& serialNo) {
  return CacheFilePath(InformationFileName(serialNo));
}

std::string PerJobFileName(const std::string& jobId) { return "Print_" + jobId + ".log"; }

std::string FlagFileName(FlagFile flag, const std::string& serialNo) {
  for (const FlagFileRule& rule : kFlagFileRules) {
    if (rule.flag == flag) return std::string(kModelName) + "_" + serialNo + rule.suffix;
  }
  return std::string();
}

bool FlagFilePath(FlagFile flag, const std::string& serialNo, std::string* path) {
  const std::string full = CacheFilePath(FlagFileName(flag, serialNo));
  if (full.size() >= kFlagPathBufferSize) return false;
  *path = full;
  return true;
}

}  // namespace kv71p
