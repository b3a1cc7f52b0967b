// The KV-71P model: its media table with the multi-photo layouts, its page
// size names, its overcoat table, the rules for how many photos share one
// print, its ICC profile choice, its head width and its capabilities.
#pragma once

#include <cstdint>

#include "filter/DeviceEntry.h"

namespace kv71p::filter {

// One row of the overcoat table.
struct OverCoatInfo {
  int32_t finishCode;  // -1 ends the table
  int32_t value;       // value of the "OVERCOAT" command
  int64_t attribute;
  double minFirmware;  // lowest firmware version that handles the finish
};

// The model's tables, each ended by a row whose code is -1.
extern const DeviceMediaTableRow gMediaInfo_KV71P[];
extern const OverCoatInfo gOverCoatInfo_KV71P[];

class DeviceEntry_KV71P : public DeviceEntry {
 public:
  int GetHeadWidth() override;
  int SetMediaSize(int numOptions, cups_option_t* options, ppd_file_t* ppd) override;
  int SetMediaInfo(DeviceMediaBufferInfo& record, int64_t mediaCode, double firmware) override;
  DeviceMediaBufferInfo GetMultiMediaInfo(const DeviceMediaBufferInfo& record,
                                          int photoNumber) override;
  int GetMultiLayoutNum(const char* jobId) override;
  int SetOvercoatFinish(uint64_t finish, double firmware) override;
  void SetPaperRotate(int numOptions, cups_option_t* options, ppd_file_t* ppd) override;
  const char* GetPrinterICCProfile(const char* jobId) override;
  int GetRemainHalf(const char* jobId) override;
  bool isSupportDecurl() override;
  bool isSupportSysTime() override;
};

}  // namespace kv71p::filter
