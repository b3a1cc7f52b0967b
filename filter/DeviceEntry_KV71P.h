// The KV-71P model: its media table with the multi-photo layouts, its page
// size names, its overcoat table, the rules for how many photos share one
// print, its ICC profile choice and its head width.
#pragma once

#include <cstdint>

#include "filter/DeviceEntry.h"

namespace kv71p::filter {

// One row of the overcoat table.
struct OvercoatTableRow {
  int32_t finishCode;  // -1 ends the table
  int32_t value;       // value of the "OVERCOAT" command
  int64_t attribute;
  double minFirmware;  // lowest firmware version that handles the finish
};

// The model's tables, each ended by a row whose code is -1.
extern const DeviceMediaTableRow kMediaTableKV71P[];
extern const OvercoatTableRow kOvercoatTableKV71P[];

class DeviceEntry_KV71P : public DeviceEntry {
 public:
  using DeviceEntry::DeviceEntry;

  int GetHeadWidth() const override;
  int32_t MediaCodeOfPageSize(const std::string& pageSize) const override;
  EntryResult SetMediaInfo(DeviceMediaBufferInfo& record, int64_t mediaCode,
                           double firmware) const override;
  DeviceMediaBufferInfo GetMultiMediaInfo(const DeviceMediaBufferInfo& record,
                                          int photoNumber) const override;
  int GetMultiLayoutNum(const PerJobValues& values) const override;
  EntryResult SetOvercoatFinish(uint64_t finish, double firmware) override;
  const char* GetPrinterICCProfile(const PerJobValues& values) const override;
  int GetRemainHalf(const PerJobValues& values) const override;
};

}  // namespace kv71p::filter
