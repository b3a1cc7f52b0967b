#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/Kv71pConfig.h"
#include "filter/DeviceEntry_KV71P.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p;
using namespace kv71p::filter;

namespace {

using kv71p::test::JobOptions;
using kv71p::test::TestCacheDir;
using kv71p::test::TestPpd;

std::string Describe(const DeviceMediaBufferInfo& r) {
  char text[512];
  std::snprintf(text, sizeof text, "code %d cut %d inch %.1fx%.1f dpi %d base %dx%d margin %dx%d gap %d photo %dx%d "
                "count %d 2in %d fw %.2f | head %d dpi %ldx%ld page %dx%d photo %dx%d gap %d n %d", r.mediaCode,
                r.multiCutCode, r.widthInch, r.lengthInch, r.baseDpi, r.baseWidth, r.baseLength, r.marginWidth,
                r.marginLength, r.baseGap, r.basePhotoWidth, r.basePhotoLength, r.photoCount, r.twoInchCut,
                r.minFirmware, r.headWidth, static_cast<long>(r.dpiX), static_cast<long>(r.dpiY), r.pageWidth,
                r.pageLength, r.photoWidth, r.photoLength, r.gap, r.photos);
  return text;
}

// The media table of the KV-71P, and the record each row gives at `dpiY`.
struct MediaRow {
  int code, cut;
  double widthInch, lengthInch;
  int width, length, photoWidth, photoLength, count, twoInchCut;
};
const MediaRow kMedia[] = {
    {33, 408, 8.0, 4.0, 2448, 1236, 2448, 1236, 1, 0}, {34, 409, 8.0, 5.0, 2448, 1536, 2448, 1536, 1, 0},
    {35, 410, 8.0, 6.0, 2448, 1836, 2448, 1836, 1, 0}, {36, 11, 8.0, 8.0, 2448, 2436, 2448, 2436, 1, 0},
    {31, 6, 8.0, 10.0, 2448, 3036, 2448, 3036, 1, 1},  {32, 7, 8.0, 12.0, 2448, 3636, 2448, 3636, 1, 1},
    {71, 434, 8.3, 5.8, 2528, 1784, 2528, 1784, 1, 0}, {78, 41, 8.3, 11.7, 2528, 3544, 2528, 3544, 1, 1},
    {37, 13, 8.0, 4.0, 2448, 2502, 2448, 1236, 2, 0},  {38, 14, 8.0, 4.0, 2448, 3102, 2448, 1536, 2, 0},
    {39, 15, 8.0, 6.0, 2448, 3702, 2448, 1836, 2, 0},  {72, 35, 8.3, 5.8, 2528, 3598, 2528, 1784, 2, 0},
    {44, 20, 8.0, 4.0, 2448, 3768, 2448, 1236, 3, 0},
};

DeviceMediaBufferInfo Expected(const MediaRow& m, int dpiY) {
  DeviceMediaBufferInfo r;
  r.mediaCode = m.code, r.multiCutCode = m.cut, r.widthInch = m.widthInch, r.lengthInch = m.lengthInch;
  r.baseDpi = 300, r.baseWidth = m.width, r.baseLength = m.length, r.marginWidth = 60;
  r.marginLength = 54, r.baseGap = 30, r.basePhotoWidth = m.photoWidth;
  r.basePhotoLength = m.photoLength, r.photoCount = m.count, r.twoInchCut = m.twoInchCut;
  r.minFirmware = 1.0, r.headWidth = 2560, r.dpiX = 300, r.dpiY = dpiY;
  r.pageWidth = m.width, r.pageLength = m.length * dpiY / 300, r.photoWidth = m.photoWidth;
  r.photoLength = m.photoLength * dpiY / 300, r.gap = 30 * dpiY / 300, r.photos = m.count;
  return r;
}

const MediaRow& Row(int code) {
  for (const MediaRow& m : kMedia)
    if (m.code == code) return m;
  throw std::invalid_argument("no row");
}

struct Resolution {
  const char* option;
  int dpiY;
};
const Resolution kResolutions[] = {{"300dpi", 300}, {"300x600dpi", 600}, {"600x600dpi", 600}};

void UseResolution(DeviceEntry& entry, const char* option) {
  JobOptions job(kv71p::test::Pairs{{"Resolution", option}});
  entry.SetResolution(job.count(), job.options(), nullptr);
}

TEST(DeviceEntry_KV71P, EveryMediaRowAtEveryResolution) {
  for (const Resolution& res : kResolutions) {
    DeviceEntry_KV71P entry;
    UseResolution(entry, res.option);
    for (const MediaRow& m : kMedia) {
      SCOPED_TRACE(std::string(res.option) + " code " + std::to_string(m.code));
      DeviceMediaBufferInfo record;
      EXPECT_EQ(0, entry.SetMediaInfo(record, m.code, 1.53));
      EXPECT_EQ(Describe(Expected(m, res.dpiY)), Describe(record));
    }
  }
}

TEST(DeviceEntry_KV71P, PageSizeNames) {
  const struct {
    const char* name;  // null: no page size anywhere
    int code;
  } cases[] = {{"207x105mm", 33}, {"207x130mm", 34}, {"207x156mm", 35}, {"207x206mm", 36}, {"207x257mm", 31},
               {"207x308mm", 32}, {"214x151mm", 71}, {"214x300mm", 78}, {nullptr, 33},     {"A4", 33},
               {"207X130MM", 33}, {"", 33}};
  for (const auto& tc : cases) {
    for (const char* keyword : {"PageSize", "media"}) {
      SCOPED_TRACE(std::string(tc.name ? tc.name : "(none)") + " as " + keyword);
      JobOptions job(tc.name ? kv71p::test::Pairs{{keyword, tc.name}} : kv71p::test::Pairs{});
      DeviceEntry_KV71P entry;
      UseResolution(entry, "300dpi");
      EXPECT_EQ(1, entry.SetMediaSize(job.count(), job.options(), nullptr));
      EXPECT_EQ(Describe(Expected(Row(tc.code), 300)), Describe(entry.mediaInfo));
    }
  }
  TestPpd ppd(kv71p::test::Pairs{{"PageSize", "214x300mm"}});
  DeviceEntry_KV71P entry;
  EXPECT_EQ(1, entry.SetMediaSize(0, nullptr, ppd.ppd()));
  EXPECT_EQ(78, entry.mediaInfo.mediaCode);
}

TEST(DeviceEntry_KV71P, MediaCodesWithoutARowOrNewerFirmware) {
  DeviceEntry_KV71P entry;
  DeviceMediaBufferInfo set;
  ASSERT_EQ(0, entry.SetMediaInfo(set, 34, 1.53));

  DeviceMediaBufferInfo r = set;
  EXPECT_EQ(3, entry.SetMediaInfo(r, 40, 1.53)) << "outside the accepted codes";
  EXPECT_EQ(Describe(set), Describe(r)) << "leaves the record as it was";

  DeviceMediaBufferInfo noMedia = set;
  noMedia.mediaCode = -1;
  for (int64_t code : {int64_t{3}, int64_t{-1}, int64_t{33} + (int64_t{1} << 32)}) {
    r = set;
    EXPECT_EQ(3, entry.SetMediaInfo(r, code, 1.53)) << code;
    EXPECT_EQ(Describe(code == 3 ? noMedia : set), Describe(r)) << code;
  }
  r = set;
  EXPECT_EQ(3, entry.SetMediaInfo(r, 33, 0.99)) << "firmware older than the row";
  EXPECT_EQ(Describe(noMedia), Describe(r));
}

TEST(DeviceEntry_KV71P, MultiPhotoRecords) {
  const int cases[][3] = {{33, 2, 37}, {33, 3, 44}, {33, 4, 33}, {34, 2, 38}, {34, 3, 38},
                          {35, 2, 39}, {71, 3, 72}, {36, 2, 36}, {78, 2, 78}, {-1, 2, -1}};  // single, photos, multi
  for (const Resolution& res : kResolutions) {
    DeviceEntry_KV71P entry;
    UseResolution(entry, res.option);
    for (const auto& tc : cases) {
      SCOPED_TRACE(std::string(res.option) + " " + std::to_string(tc[0]) + " x" + std::to_string(tc[1]));
      DeviceMediaBufferInfo single;
      EXPECT_EQ(0, tc[0] == -1 ? 0 : entry.SetMediaInfo(single, tc[0], 1.53));
      const DeviceMediaBufferInfo before = single;
      const DeviceMediaBufferInfo multi = entry.GetMultiMediaInfo(single, tc[1]);
      EXPECT_EQ(tc[2] == -1 ? Describe(DeviceMediaBufferInfo()) : Describe(Expected(Row(tc[2]), res.dpiY)), Describe(multi));
      EXPECT_EQ(Describe(before), Describe(single));
    }
  }
}

TEST(DeviceEntry_KV71P, PhotosPerPrintFromTheLoadedMedia) {
  TestCacheDir cache;
  const char* pageSizes[] = {"207x105mm", "207x130mm", "207x156mm", "207x206mm",
                             "207x257mm", "207x308mm", "214x151mm", "214x300mm"};
  const struct {
    const char* file;  // null: no per-job file
    const char* perPageSize;
  } cases[] = {
      {nullptr, "11111111"},
      {"PRINTER=\"x\"\n", "11111111"},
      {"MEDIA_SIZE=\"\"\n", "11111111"},
      {"STATUS=\"0\"\nMEDIA_SIZE=\"00500\"\n", "22111111"},
      {"MEDIA_SIZE=\"00510\"\n", "32211111"},
      {"MEDIA_SIZE=\"00600\"\n", "22111121"},
      {"MEDIA_SIZE=\"00700\"\n", "11111111"},
      {"MEDIA_SIZE=\"0500\"\n", "11111111"},
  };
  for (const auto& tc : cases) {
    const std::string job = "job" + std::to_string(&tc - cases);
    if (tc.file) cache.WriteJobFile(job, tc.file);
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(std::string(tc.file ? tc.file : "(no file)") + pageSizes[i]);
      JobOptions options(kv71p::test::Pairs{{"PageSize", pageSizes[i]}});
      DeviceEntry_KV71P entry;
      entry.SetMediaSize(options.count(), options.options(), nullptr);
      EXPECT_EQ(tc.perPageSize[i] - '0', entry.GetMultiLayoutNum(job.c_str()));
    }
  }
}

TEST(DeviceEntry_KV71P, OvercoatTable) {
  const struct {
    uint64_t finish;
    double firmware;
    int result, code, value;
    int64_t attribute;
  } cases[] = {
      {0, 1.53, 0, 0, 0, 0},       {1, 1.53, 0, 1, 1, 0},       {21, 1.53, 0, 21, 21, 0},
      {22, 1.53, 0, 22, 22, 0},    {101, 1.53, 0, 101, 101, 1}, {121, 1.0, 0, 121, 121, 1},
      {122, 0.61, 0, 122, 122, 1}, {122, 0.5, 3, -1, 7, 5},     {22, 0.99, 3, -1, 7, 5},
      {5, 1.53, 3, -1, 7, 5},      {UINT64_MAX, 1.53, 3, -1, 7, 5},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(std::to_string(tc.finish) + " at " + std::to_string(tc.firmware));
    DeviceEntry_KV71P entry;
    entry.overcoatValue = 7;  // kept when no row matches
    entry.overcoatAttribute = 5;
    EXPECT_EQ(tc.result, entry.SetOvercoatFinish(tc.finish, tc.firmware));
    EXPECT_EQ(tc.code, entry.overcoatCode);
    EXPECT_EQ(tc.value, entry.overcoatValue);
    EXPECT_EQ(tc.attribute, entry.overcoatAttribute);
  }
}

TEST(DeviceEntry_KV71P, ProfileAndRemainingHalfPrintsFromThePerJobFile) {
  TestCacheDir cache;
  const struct {
    const char* file;  // null: no per-job file
    const char* profile;
    int remainHalf;
  } cases[] = {
      {nullptr, KV71P_ICC_PROFILE_PP, 0},
      {"MEDIA_CLASS=\"0001\"\nMEDIA_REMAIN_HALF=\"00007\"\n", KV71P_ICC_PROFILE_SD, 7},
      {"MEDIA_CLASS=\"0002\"\nMEDIA_REMAIN_HALF=\"abc\"\n", KV71P_ICC_PROFILE_PP, 0},
      {"MEDIA_CLASS=\"\"\nMEDIA_REMAIN_HALF=\"-1\"\n", KV71P_ICC_PROFILE_PP, -1},
      {"MEDIA_CLASS=\"00010\"\nMEDIA_REMAIN_HALF=\"99999999999999\"\n", KV71P_ICC_PROFILE_PP, INT_MAX},
      {"MEDIA_REMAIN_HALF=\"\"\n", KV71P_ICC_PROFILE_PP, 0},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.file ? tc.file : "(no file)");
    const std::string job = std::to_string(100 + (&tc - cases));
    if (tc.file) cache.WriteJobFile(job, tc.file);
    DeviceEntry_KV71P entry;
    EXPECT_STREQ(tc.profile, entry.GetPrinterICCProfile(job.c_str()));
    EXPECT_EQ(tc.remainHalf, entry.GetRemainHalf(job.c_str()));
  }
}

TEST(DeviceEntry_KV71P, Capabilities) {
  DeviceEntry_KV71P entry;
  entry.paperRotate = true;
  entry.SetPaperRotate(0, nullptr, nullptr);
  EXPECT_EQ("2560 0 0 0", std::to_string(entry.GetHeadWidth()) + " " + std::to_string(entry.isSupportDecurl()) + " " +
                              std::to_string(entry.isSupportSysTime()) + " " + std::to_string(entry.paperRotate));
}

}  // namespace
