#include "fuzz/SmallModel.h"

#include "filter/DeviceEntry_KV71P.h"

namespace kv71p::fuzz {

namespace {

constexpr int kShrink = 24;

class SmallKV71P : public filter::DeviceEntry_KV71P {
 public:
  using DeviceEntry_KV71P::DeviceEntry_KV71P;
  filter::EntryResult SetMediaInfo(filter::DeviceMediaBufferInfo& record, int64_t mediaCode,
                                   double firmware) const override {
    const filter::EntryResult result = DeviceEntry_KV71P::SetMediaInfo(record, mediaCode, firmware);
    if (result != filter::EntryResult::Ok || record.mediaCode == -1) return result;
    record.baseDpi *= kShrink;
    return UpdateMediaInfo(record);
  }
};

}  // namespace

std::unique_ptr<filter::DeviceEntry> MakeSmallModel(filter::BlockWriter& output) {
  return std::make_unique<SmallKV71P>(output);
}

}  // namespace kv71p::fuzz
