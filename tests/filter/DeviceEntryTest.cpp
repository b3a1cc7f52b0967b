// The job object with the KV-71P model: its media and layouts at every
// resolution, the photos per print, profile and half prints for the loaded
// media, the overcoat table, and the finishing commands byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "common/Kv71pConfig.h"
#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "tests/common/HandMadeBlocks.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p::filter;

namespace {

using kv71p::test::Pairs;

// A job object whose blocks are captured.
struct CapturedJob {
  kv71p::test::CapturedOutput out;
  FdBlockWriter writer{out.fd()};
  DeviceEntry_KV71P entry{writer};
};

// The device sizes of a record, as text.
std::string Sizes(const DeviceMediaBufferInfo& r) {
  char text[160];
  std::snprintf(text, sizeof text, "code %d cut %d head %d dpi %ldx%ld page %dx%d photo %dx%d gap %d n %d 2in %d",
                r.mediaCode, r.multiCutCode, r.headWidth, static_cast<long>(r.dpiX), static_cast<long>(r.dpiY),
                r.pageWidth, r.pageLength, r.photoWidth, r.photoLength, r.gap, r.photos, r.twoInchCut);
  return text;
}

// The media rows: code, multi-cut code, page and photo size at 300 dpi,
// photos per page, 2-inch cut. At 600 dpi the lengths and the gap double.
struct MediaRow {
  int code, cut, width, length, photoLength, photos, twoInchCut;
};
const MediaRow kMedia[] = {
    {33, 408, 2448, 1236, 1236, 1, 0}, {34, 409, 2448, 1536, 1536, 1, 0}, {35, 410, 2448, 1836, 1836, 1, 0},
    {36, 11, 2448, 2436, 2436, 1, 0},  {31, 6, 2448, 3036, 3036, 1, 1},   {32, 7, 2448, 3636, 3636, 1, 1},
    {71, 434, 2528, 1784, 1784, 1, 0}, {78, 41, 2528, 3544, 3544, 1, 1},  {37, 13, 2448, 2502, 1236, 2, 0},
    {38, 14, 2448, 3102, 1536, 2, 0},  {39, 15, 2448, 3702, 1836, 2, 0},  {72, 35, 2528, 3598, 1784, 2, 0},
    {44, 20, 2448, 3768, 1236, 3, 0},
};
std::string Expected(const MediaRow& m, int dpiY) {
  const int k = dpiY / 300;
  return Sizes([&] {
    DeviceMediaBufferInfo r;
    r.mediaCode = m.code, r.multiCutCode = m.cut, r.headWidth = 2560, r.dpiX = 300, r.dpiY = dpiY;
    r.pageWidth = r.photoWidth = m.width, r.pageLength = m.length * k, r.photoLength = m.photoLength * k;
    r.gap = 30 * k, r.photos = m.photos, r.twoInchCut = m.twoInchCut;
    return r;
  }());
}

JobSettings AtResolution(int mode) {
  JobSettings s;
  s.resolutionMode = mode;
  s.resolutionDpi = mode == 0 ? 300 : 600;
  return s;
}

TEST(DeviceEntry_KV71P, MediaRowsPageSizesAndMultiPhotoRecords) {
  for (int mode : {0, 1, 2}) {
    CapturedJob job;
    ASSERT_EQ(EntryResult::Ok, job.entry.SetSettings(AtResolution(mode)));
    const int dpiY = mode == 0 ? 300 : 600;
    for (const MediaRow& m : kMedia) {
      DeviceMediaBufferInfo record;
      EXPECT_EQ(EntryResult::Ok, job.entry.SetMediaInfo(record, m.code, kAssumedFirmwareVersion));
      EXPECT_EQ(Expected(m, dpiY), Sizes(record)) << "mode " << mode;
    }
    // Single code, photos, the code of the multi-photo record.
    const int multi[][3] = {{33, 2, 37}, {33, 3, 44}, {33, 4, 33}, {34, 2, 38}, {34, 3, 38},
                            {35, 2, 39}, {71, 3, 72}, {36, 2, 36}, {78, 2, 78}};
    for (const auto& c : multi) {
      DeviceMediaBufferInfo single;
      job.entry.SetMediaInfo(single, c[0], kAssumedFirmwareVersion);
      const std::string before = Sizes(single);
      EXPECT_EQ(c[2], job.entry.GetMultiMediaInfo(single, c[1]).mediaCode) << c[0] << " x" << c[1];
      EXPECT_EQ(before, Sizes(single));
    }
    EXPECT_EQ(-1, job.entry.GetMultiMediaInfo(DeviceMediaBufferInfo(), 2).mediaCode);
  }
  const std::pair<const char*, int> names[] = {
      {"207x105mm", 33}, {"207x130mm", 34}, {"207x156mm", 35}, {"207x206mm", 36}, {"207x257mm", 31}, {"207x308mm", 32},
      {"214x151mm", 71}, {"214x300mm", 78}, {"", 33},          {"A4", 33},        {"207X130MM", 33}};
  for (const auto& [name, code] : names) {
    CapturedJob job;
    JobSettings s;
    s.pageSize = name;
    EXPECT_EQ(EntryResult::Ok, job.entry.SetSettings(s));
    EXPECT_EQ(code, job.entry.mediaInfo.mediaCode) << name;
  }
}

TEST(DeviceEntry_KV71P, RecordsThatCannotBeMade) {
  CapturedJob job;
  DeviceMediaBufferInfo set;
  ASSERT_EQ(EntryResult::Ok, job.entry.SetMediaInfo(set, 34, kAssumedFirmwareVersion));
  const struct {
    int64_t code;
    double firmware;
    bool emptied;  // the record loses its media, else it stays as it was
  } cases[] = {{40, 1.53, false}, {-1, 1.53, false}, {33 + (int64_t{1} << 32), 1.53, false},
               {3, 1.53, true},   {33, 0.99, true}};
  for (const auto& c : cases) {
    DeviceMediaBufferInfo r = set;
    EXPECT_EQ(EntryResult::Invalid, job.entry.SetMediaInfo(r, c.code, c.firmware)) << c.code;
    EXPECT_EQ(c.emptied ? -1 : 34, r.mediaCode) << c.code;
    EXPECT_EQ(Sizes(set).substr(7), Sizes(r).substr(7)) << c.code;
  }
  // A resolution other than 300 or 600 dpi derives nothing; a record
  // without media stays as it is; one without a base resolution is refused.
  JobSettings odd;
  odd.resolutionDpi = 450;
  EXPECT_EQ(EntryResult::Invalid, job.entry.SetSettings(odd));
  DeviceMediaBufferInfo r = set;
  EXPECT_EQ(EntryResult::Invalid, job.entry.UpdateMediaInfo(r));
  EXPECT_EQ(Sizes(set), Sizes(r));
  job.entry.SetSettings(JobSettings());
  DeviceMediaBufferInfo none, noBase;
  EXPECT_EQ(EntryResult::Ok, job.entry.UpdateMediaInfo(none));
  EXPECT_EQ(Sizes(DeviceMediaBufferInfo()), Sizes(none));
  noBase.mediaCode = 33;
  EXPECT_EQ(EntryResult::Invalid, job.entry.UpdateMediaInfo(noBase));
}

TEST(DeviceEntry_KV71P, LoadedMediaDecidesPhotosPerPrintProfileAndHalfPrints) {
  const char* pageSizes[] = {"207x105mm", "207x130mm", "207x156mm", "207x206mm",
                             "207x257mm", "207x308mm", "214x151mm", "214x300mm"};
  const std::pair<const char*, const char*> cases[] = {
      {"", "11111111"},      {"00500", "22111111"}, {"00510", "32211111"},
      {"00600", "22111121"}, {"00700", "11111111"}, {"0500", "11111111"}};
  for (const auto& [size, perPageSize] : cases) {
    std::string layouts;
    for (const char* pageSize : pageSizes) {
      CapturedJob job;
      JobSettings s;
      s.pageSize = pageSize;
      job.entry.SetSettings(s);
      layouts += std::to_string(job.entry.GetMultiLayoutNum(PerJobValues{size, "", 0}));
    }
    EXPECT_EQ(perPageSize, layouts) << size;
  }
  CapturedJob job;
  EXPECT_STREQ(KV71P_ICC_PROFILE_SD, job.entry.GetPrinterICCProfile(PerJobValues{"", "0001", 0}));
  for (const char* other : {"", "0002", "00010"})
    EXPECT_STREQ(KV71P_ICC_PROFILE_PP, job.entry.GetPrinterICCProfile(PerJobValues{"", other, 0}));
  EXPECT_EQ(-7, job.entry.GetRemainHalf(PerJobValues{"", "", -7}));
}

TEST(DeviceEntry_KV71P, OvercoatTable) {
  const struct {
    uint64_t finish;
    double firmware;
    EntryResult result;
    int code, value;
  } cases[] = {
      {0, 1.53, EntryResult::Ok, 0, 0},         {1, 1.53, EntryResult::Ok, 1, 1},
      {21, 1.53, EntryResult::Ok, 21, 21},      {22, 1.53, EntryResult::Ok, 22, 22},
      {101, 1.53, EntryResult::Ok, 101, 101},   {121, 1.0, EntryResult::Ok, 121, 121},
      {122, 0.61, EntryResult::Ok, 122, 122},   {122, 0.5, EntryResult::Invalid, -1, 7},
      {22, 0.99, EntryResult::Invalid, -1, 7},  {5, 1.53, EntryResult::Invalid, -1, 7},
      {UINT64_MAX, 1.53, EntryResult::Invalid, -1, 7},
  };
  for (const auto& tc : cases) {
    CapturedJob job;
    job.entry.overcoatValue = 7;  // kept when no row matches
    EXPECT_EQ(tc.result, job.entry.SetOvercoatFinish(tc.finish, tc.firmware)) << tc.finish;
    EXPECT_EQ(tc.code, job.entry.overcoatCode) << tc.finish;
    EXPECT_EQ(tc.value, job.entry.overcoatValue) << tc.finish;
  }
}

TEST(DeviceEntry, FinishingCommandsByteForByte) {
  using handmade::Block;
  const struct {
    Pairs job, ppd;
    const char *cutter, *overcoat, *retry, *speed;  // overcoat null: no block
  } cases[] = {
      {{}, {}, "00000000", "00000000", "00000001", "00000000"},
      {{{"PageSize", "207x257mm"}, {"Vex2InchCut", "Enable"}, {"VexOvercoatFinish", "Luster"}}, {},
       "00000120", "00000022", "00000001", "00000000"},
      {{{"media", "214x300mm"}, {"VexPrintRetry", "Disable"}}, {{"Vex2InchCut", "Enable"}, {"VexOvercoatFinish", "Matte"}},
       "00000120", "00000001", "00000000", "00000000"},
      {{{"PageSize", "207x105mm"}, {"Vex2InchCut", "Enable"}, {"VexOvercoatFinish", "FineMatte"}, {"Resolution", "300x600dpi"}},
       {}, "00000000", "00000021", "00000001", "00000010"},
      {{{"VexPrintSpeed", "Enable"}}, {{"Resolution", "300x600dpi"}}, "00000000", "00000000", "00000001", "00000030"},
      {{{"VexOvercoatFinish", "none in the table"}}, {}, "00000000", nullptr, "00000001", "00000000"},
  };
  for (const auto& tc : cases) {
    CapturedJob job;
    JobSettings settings = kv71p::test::SettingsOf(tc.job, tc.ppd);
    if (tc.overcoat == nullptr) settings.overcoatFinish = 5;
    job.entry.SetSettings(settings);
    EXPECT_EQ(EntryResult::Ok, job.entry.SendFinishing());
    EXPECT_EQ(Block("CNTRL", "CUTTER", tc.cutter) + (tc.overcoat ? Block("CNTRL", "OVERCOAT", tc.overcoat) : "") +
                  Block("CNTRL", "BUFFCNTRL", tc.retry) + Block("CNTRL", "PRINTSPEED", tc.speed),
              job.out.Take())
        << "row " << &tc - cases;
  }
}

}  // namespace
