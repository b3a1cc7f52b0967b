// The job object with the KV-71P model: its media and layouts at every
// resolution, the photos per print, profile and half prints for the loaded
// media, the overcoat table, and the finishing commands byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "common/Kv71pConfig.h"
#include "tests/common/HandMadeBlocks.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p::filter;

namespace {

using kv71p::test::Pairs;

using kv71p::test::CapturedJob;

// The device sizes of a record, as text.
std::string Sizes(const DeviceMediaBufferInfo& r) {
  char text[160];
  std::snprintf(text, sizeof text, "%d cut %d head %d dpi %ldx%ld page %dx%d photo %dx%d gap %d n %d 2in %d", r.mediaCode,
                r.multiCutCode, r.headWidth, static_cast<long>(r.dpiX), static_cast<long>(r.dpiY), r.pageWidth,
                r.pageLength, r.photoWidth, r.photoLength, r.gap, r.photos, r.twoInchCut);
  return text;
}

// What the media table's rows make: the records at 600 dpi, the
// multi-photo record of a size, and the page size names. (The single and
// multi-photo layouts on the paper: the filter program's tests and the
// raster of every page size: test_ppd.)
TEST(DeviceEntry_KV71P, DerivedRecordsPageSizesAndMultiPhotoRecords) {
  CapturedJob job;
  JobSettings fine;
  fine.resolutionMode = 2, fine.resolutionDpi = 600;
  job.entry.SetSettings(fine);
  EXPECT_EQ("37 cut 13 head 2560 dpi 300x600 page 2448x5004 photo 2448x2472 gap 60 n 2 2in 0",
            Sizes(job.entry.GetMultiMediaInfo(job.entry.mediaInfo, 2)));
  // Single code, photos, the code of the multi-photo record.
  const int multi[][3] = {{33, 3, 44}, {33, 4, 33}, {34, 2, 38}, {34, 3, 38}, {35, 2, 39},
                          {71, 3, 72}, {36, 2, 36}, {78, 2, 78}, {-1, 2, -1}};
  for (const auto& c : multi) {
    DeviceMediaBufferInfo single;
    job.entry.SetMediaInfo(single, c[0], kAssumedFirmwareVersion);
    EXPECT_EQ(c[2], job.entry.GetMultiMediaInfo(single, c[1]).mediaCode) << c[0] << " x" << c[1];
  }
  const std::pair<const char*, int> names[] = {{"207x130mm", 34}, {"", 33}, {"A4", 33}, {"207X130MM", 33}};
  for (const auto& [name, code] : names) {
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
    EXPECT_EQ(Sizes(set).substr(2), Sizes(r).substr(2)) << c.code;
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

// A finish of the overcoat table that the firmware offers is taken;
// otherwise the code is -1 and the value stays. (The table's rows
// themselves: the finishing commands below.)
TEST(DeviceEntry_KV71P, OvercoatFinishesForTheFirmware) {
  const struct {
    uint64_t finish;
    double firmware;
    EntryResult result;
    int code, value;
  } cases[] = {
      {22, 1.0, EntryResult::Ok, 22, 22},      {121, 1.0, EntryResult::Ok, 121, 121},
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
