#include "filter/DeviceEntry_KV71P.h"

#include <string>

#include "common/Kv71pConfig.h"

namespace kv71p::filter {

// Sizes in dots at 300 dpi. Every row: baseDpi 300, margins 60 across and
// 54 along, gap 30, firmware 1.0. Multi-photo pages are photoCount photos
// of basePhotoLength with a gap between them.
const DeviceMediaTableRow kMediaTableKV71P[] = {
    // code, multicut, inches, dpi, page, margins, gap, photo, photos, 2-inch cut, firmware
    {33, 408, 8.0, 4.0, 300, 2448, 1236, 60, 54, 30, 2448, 1236, 1, 0, 1.0},
    {34, 409, 8.0, 5.0, 300, 2448, 1536, 60, 54, 30, 2448, 1536, 1, 0, 1.0},
    {35, 410, 8.0, 6.0, 300, 2448, 1836, 60, 54, 30, 2448, 1836, 1, 0, 1.0},
    {36, 11, 8.0, 8.0, 300, 2448, 2436, 60, 54, 30, 2448, 2436, 1, 0, 1.0},
    {31, 6, 8.0, 10.0, 300, 2448, 3036, 60, 54, 30, 2448, 3036, 1, 1, 1.0},
    {32, 7, 8.0, 12.0, 300, 2448, 3636, 60, 54, 30, 2448, 3636, 1, 1, 1.0},
    {71, 434, 8.3, 5.8, 300, 2528, 1784, 60, 54, 30, 2528, 1784, 1, 0, 1.0},
    {78, 41, 8.3, 11.7, 300, 2528, 3544, 60, 54, 30, 2528, 3544, 1, 1, 1.0},
    {37, 13, 8.0, 4.0, 300, 2448, 2502, 60, 54, 30, 2448, 1236, 2, 0, 1.0},
    {38, 14, 8.0, 4.0, 300, 2448, 3102, 60, 54, 30, 2448, 1536, 2, 0, 1.0},
    {39, 15, 8.0, 6.0, 300, 2448, 3702, 60, 54, 30, 2448, 1836, 2, 0, 1.0},
    {72, 35, 8.3, 5.8, 300, 2528, 3598, 60, 54, 30, 2528, 1784, 2, 0, 1.0},
    {44, 20, 8.0, 4.0, 300, 2448, 3768, 60, 54, 30, 2448, 1236, 3, 0, 1.0},
    {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

const OvercoatTableRow kOvercoatTableKV71P[] = {
    {0, 0, 0, 1.0},     {1, 1, 0, 1.0},     {2, 2, 0, 1.0},     {3, 3, 0, 1.0},
    {21, 21, 0, 1.0},   {22, 22, 0, 1.0},   {101, 101, 1, 1.0}, {121, 121, 1, 1.0},
    {122, 122, 1, 0.61}, {-1, 0, 0, 0},
};

namespace {

constexpr int kHeadWidth = 2560;
constexpr int kDefaultMediaCode = 33;

struct PageSizeName {
  const char* name;
  int mediaCode;
};

constexpr PageSizeName kPageSizes[] = {
    {"207x105mm", 33}, {"207x130mm", 34}, {"207x156mm", 35}, {"207x206mm", 36},
    {"207x257mm", 31}, {"207x308mm", 32}, {"214x151mm", 71}, {"214x300mm", 78},
};

// Codes the media table may be asked for (3 has no row).
bool IsAcceptedMediaCode(int64_t code) {
  return code == 3 || (code >= 31 && code <= 39) || code == 44 || code == 71 || code == 72 ||
         code == 78;
}

// The media code of `photoNumber` photos on the page size of `code`.
int32_t MultiPhotoCode(int32_t code, int photoNumber) {
  switch (code) {
    case 33:
      return photoNumber == 2 ? 37 : photoNumber == 3 ? 44 : 33;
    case 34:
      return 38;
    case 35:
      return 39;
    case 71:
      return 72;
    default:
      return code;
  }
}

}  // namespace

int DeviceEntry_KV71P::GetHeadWidth() const { return kHeadWidth; }

int32_t DeviceEntry_KV71P::MediaCodeOfPageSize(const std::string& pageSize) const {
  for (const PageSizeName& p : kPageSizes)
    if (pageSize == p.name) return p.mediaCode;
  return kDefaultMediaCode;
}

EntryResult DeviceEntry_KV71P::SetMediaInfo(DeviceMediaBufferInfo& record, int64_t mediaCode,
                                            double firmware) const {
  if (!IsAcceptedMediaCode(mediaCode)) return EntryResult::Invalid;
  record.mediaCode = -1;
  const DeviceMediaTableRow* row = kMediaTableKV71P;
  while (row->mediaCode != -1 && row->mediaCode != mediaCode) ++row;
  if (row->mediaCode == -1 || firmware < row->minFirmware) return EntryResult::Invalid;
  record.SetTableRow(*row);
  return UpdateMediaInfo(record);
}

DeviceMediaBufferInfo DeviceEntry_KV71P::GetMultiMediaInfo(const DeviceMediaBufferInfo& record,
                                                           int photoNumber) const {
  DeviceMediaBufferInfo multi;
  SetMediaInfo(multi, MultiPhotoCode(record.mediaCode, photoNumber), kAssumedFirmwareVersion);
  return multi;
}

int DeviceEntry_KV71P::GetMultiLayoutNum(const PerJobValues& values) const {
  const std::string& size = values.mediaSize;
  const int32_t c = mediaInfo.mediaCode;
  if (size == "00500") return (c == 33 || c == 34) ? 2 : 1;
  if (size == "00510") return c == 33 ? 3 : (c == 34 || c == 35) ? 2 : 1;
  if (size == "00600") return (c == 33 || c == 34 || c == 71) ? 2 : 1;
  return 1;
}

EntryResult DeviceEntry_KV71P::SetOvercoatFinish(uint64_t finish, double firmware) {
  overcoatCode = -1;
  for (const OvercoatTableRow* row = kOvercoatTableKV71P; row->finishCode != -1; ++row) {
    if (static_cast<uint64_t>(row->finishCode) != finish || row->minFirmware > firmware) continue;
    overcoatCode = row->finishCode;
    overcoatValue = row->value;
    return EntryResult::Ok;
  }
  return EntryResult::Invalid;
}

const char* DeviceEntry_KV71P::GetPrinterICCProfile(const PerJobValues& values) const {
  return values.mediaClass == "0001" ? KV71P_ICC_PROFILE_SD : KV71P_ICC_PROFILE_PP;
}

int DeviceEntry_KV71P::GetRemainHalf(const PerJobValues& values) const { return values.remainHalf; }

}  // namespace kv71p::filter
