#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>

#include "common/Kv71pConfig.h"
#include "filter/DeviceEntry_KV71P.h"
#include "tests/common/HandMadeBlocks.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p;
using namespace kv71p::filter;

namespace {

using kv71p::test::CapturedOutput;
using kv71p::test::JobOptions;
using kv71p::test::Pairs;
using kv71p::test::TestCacheDir;
using kv71p::test::TestPpd;

std::string Three(int64_t a, int64_t b, int64_t c) {
  return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c);
}
// The settings of a job object, one text per option family.
std::string Setting(const DeviceEntry& e, const std::string& keyword) {
  if (keyword == "Resolution") return Three(e.resolutionMode, e.resolutionDpi, 0);
  if (keyword == "VexBorder") return std::to_string(e.border);
  if (keyword == "VexICM") return std::to_string(e.icm);
  if (keyword == "VexSharpness") return std::to_string(e.sharpness);
  if (keyword.rfind("VexGamma", 0) == 0) return Three(e.gammaR, e.gammaG, e.gammaB);
  if (keyword.rfind("VexBrightness", 0) == 0) return Three(e.brightnessR, e.brightnessG, e.brightnessB);
  if (keyword.rfind("VexContrast", 0) == 0) return Three(e.contrastR, e.contrastG, e.contrastB);
  if (keyword == "VexChroma") return std::to_string(e.chroma);
  if (keyword == "VexColorAdjustment") return std::to_string(e.colorAdjustment);
  std::string all;
  for (const char* k : {"Resolution", "VexBorder", "VexICM", "VexSharpness", "VexGamma", "VexBrightness",
                        "VexContrast", "VexChroma", "VexColorAdjustment"})
    all += Setting(e, k) + " ";
  return all;
}

std::string SettingsOf(const Pairs& job, const Pairs& ppdDefaults, const std::string& keyword) {
  JobOptions options(job);
  TestPpd ppd(ppdDefaults);
  EXPECT_EQ(ppdDefaults.empty(), ppd.ppd() == nullptr);
  DeviceEntry_KV71P entry;
  kv71p::test::ApplySettings(entry, options, ppd.ppd());
  return Setting(entry, keyword);
}

// Every value of every keyword, as a job option and as the PPD's default.
TEST(DeviceEntry, EveryKeywordFromJobOptionOrPpd) {
  const std::string huge = "99999999999999999999", hugeNeg = "-" + huge;
  const std::string max = std::to_string(INT_MAX), min = std::to_string(INT_MIN);
  const struct {
    const char* keyword;
    Pairs values;  // value, setting
  } cases[] = {
      {"Resolution", {{"300x600dpi", "1,600,0"}, {"600x600dpi", "2,600,0"}, {"300dpi", "0,300,0"}, {"600X600dpi", "0,300,0"}}},
      {"VexBorder", {{"Enable", "1"}, {"Disable", "0"}, {"enable", "0"}}},
      {"VexICM", {{"None", "0"}, {"none", "1"}}},
      {"VexSharpness", {{"-3", "0"}, {"-2", "-1000"}, {"-1", "-500"}, {"0", "0"}, {"1", "650"}, {"5", "850"},
                        {"8", "1000"}, {"9", "0"}, {"2x", "700"}, {huge, "0"}}},
      {"VexGamma", {{"50", "141,141,141"}, {"-100", "50,50,50"}, {"2435", "2138357894,2138357894,2138357894"},
                    {"2436", max + "," + max + "," + max}, {"-664", "1,1,1"}, {hugeNeg, "0,0,0"}, {"abc", "100,100,100"}}},
      {"VexGammaR", {{"100", "200,100,100"}}},
      {"VexGammaG", {{"-100", "100,50,100"}}},
      {"VexGammaB", {{huge, "100,100," + max}}},
      {"VexBrightness", {{"10", "20,20,20"}}},
      {"VexBrightnessR", {{"-5", "-10,0,0"}, {huge, max + ",0,0"}}},
      {"VexBrightnessG", {{hugeNeg, "0," + min + ",0"}}},
      {"VexBrightnessB", {{"7", "0,0,14"}}},
      {"VexContrast", {{"-3", "-30,-30,-30"}, {hugeNeg, min + "," + min + "," + min}}},
      {"VexContrastR", {{"2", "20,0,0"}}},
      {"VexContrastG", {{"-1", "0,-10,0"}}},
      {"VexContrastB", {{"100", "0,0,1000"}}},
      {"VexChroma", {{"-5", "-50"}, {"7", "70"}, {huge, max}}},
      {"VexColorAdjustment", {{"Enable", "1"}, {"ENABLE", "0"}}},
  };
  for (const auto& tc : cases) {
    for (const auto& [value, setting] : tc.values) {
      EXPECT_EQ(setting, SettingsOf({{tc.keyword, value}}, {}, tc.keyword)) << tc.keyword << "=" << value << " job";
      EXPECT_EQ(setting, SettingsOf({}, {{tc.keyword, value}}, tc.keyword)) << tc.keyword << "=" << value << " PPD";
    }
  }
}

TEST(DeviceEntry, DefaultsAndPrecedence) {
  const struct {
    const char* label;
    Pairs job, ppd;
    const char* keyword;
    std::string expected;
  } cases[] = {
      {"neither", {}, {}, "", "0,300,0 0 1 0 100,100,100 0,0,0 0,0,0 0 0 "},
      {"job wins over PPD", {{"Resolution", "300dpi"}}, {{"Resolution", "600x600dpi"}}, "Resolution", "0,300,0"},
      {"job disables", {{"VexBorder", "Disable"}}, {{"VexBorder", "Enable"}}, "VexBorder", "0"},
      {"family wins over a channel", {{"VexGamma", "50"}, {"VexGammaR", "0"}}, {}, "VexGamma", "141,141,141"},
      {"channels from job and PPD", {{"VexGammaR", "100"}}, {{"VexGammaB", "50"}}, "VexGamma", "200,100,141"},
      {"PPD family over a job channel", {{"VexGammaR", "100"}}, {{"VexGamma", "-100"}}, "VexGamma", "50,50,50"},
      {"brightness family", {{"VexBrightness", "10"}, {"VexBrightnessG", "3"}}, {}, "VexBrightness", "20,20,20"},
      {"media for PageSize", {{"media", "300x600dpi"}}, {}, "Resolution", "0,300,0"},
  };
  for (const auto& tc : cases) EXPECT_EQ(tc.expected, SettingsOf(tc.job, tc.ppd, tc.keyword)) << tc.label;
}

// A model that has the clock and decurl commands.
class CapableModel : public DeviceEntry_KV71P {
 public:
  bool isSupportDecurl() override { return true; }
  bool isSupportSysTime() override { return true; }
};

using SendOp = int (DeviceEntry::*)(int, cups_option_t*, ppd_file_t*);

TEST(DeviceEntry, SettingCommandsByteForByte) {
  const SendOp cutter = &DeviceEntry::SendCutterMode, overcoat = &DeviceEntry::SendOvercoatFinish,
               retry = &DeviceEntry::SendPrintRetry, speed = &DeviceEntry::SendPrintSpeed,
               decurl = &DeviceEntry::SendDecurl;
  const struct {
    SendOp op;
    const char* parameter;
    Pairs job, ppd;
    std::string data;  // empty: no block, result 0
  } cases[] = {
      {cutter, "CUTTER", {}, {}, "00000000"},
      {cutter, "CUTTER", {{"PageSize", "207x257mm"}, {"Vex2InchCut", "Enable"}}, {}, "00000120"},
      {cutter, "CUTTER", {{"media", "214x300mm"}}, {{"Vex2InchCut", "Enable"}}, "00000120"},
      {cutter, "CUTTER", {{"PageSize", "207x105mm"}, {"Vex2InchCut", "Enable"}}, {}, "00000000"},
      {cutter, "CUTTER", {{"PageSize", "207x308mm"}, {"Vex2InchCut", "enable"}}, {}, "00000000"},
      {overcoat, "OVERCOAT", {}, {}, "00000000"},
      {overcoat, "OVERCOAT", {{"VexOvercoatFinish", "Glossy"}}, {}, "00000000"},
      {overcoat, "OVERCOAT", {{"VexOvercoatFinish", "Luster"}}, {}, "00000022"},
      {overcoat, "OVERCOAT", {}, {{"VexOvercoatFinish", "Matte"}}, "00000001"},
      {overcoat, "OVERCOAT", {{"VexOvercoatFinish", "FineMatte"}}, {}, "00000021"},
      {overcoat, "OVERCOAT", {{"VexOvercoatFinish", "luster"}}, {}, "00000000"},
      {retry, "BUFFCNTRL", {}, {}, "00000001"},
      {retry, "BUFFCNTRL", {{"VexPrintRetry", "Disable"}}, {}, "00000000"},
      {retry, "BUFFCNTRL", {}, {{"VexPrintRetry", "Disable"}}, "00000000"},
      {retry, "BUFFCNTRL", {{"VexPrintRetry", "DISABLE"}}, {}, "00000001"},
      {speed, "PRINTSPEED", {}, {}, "00000000"},
      {speed, "PRINTSPEED", {{"Resolution", "300x600dpi"}}, {}, "00000010"},
      {speed, "PRINTSPEED", {{"VexPrintSpeed", "Enable"}}, {{"Resolution", "300x600dpi"}}, "00000030"},
      {speed, "PRINTSPEED", {{"Resolution", "600x600dpi"}, {"VexPrintSpeed", "Enable"}}, {}, "00000000"},
      {decurl, "DECURL", {{"VexDecurl", "Enable"}}, {}, ""},  // the KV-71P takes no decurl command
      {decurl, "DECURL", {{"VexDecurl", "Enable"}}, {}, "010000000000"},
      {decurl, "DECURL", {}, {{"VexDecurl", "Disable"}}, "000000000000"},
      {decurl, "DECURL", {}, {}, "020000000000"},
  };
  for (const auto& tc : cases) {
    const std::string label = std::string(tc.parameter) + " row " + std::to_string(&tc - cases);
    JobOptions job(tc.job);
    TestPpd ppd(tc.ppd);
    CapturedOutput out;
    CapableModel capable;
    DeviceEntry_KV71P plain;
    DeviceEntry& entry = tc.op == decurl && !tc.data.empty() ? static_cast<DeviceEntry&>(capable) : plain;
    entry.SetOutputFd(out.fd());
    kv71p::test::ApplySettings(entry, job, ppd.ppd());
    ASSERT_EQ("", out.Take()) << label << ": the settings write nothing";
    EXPECT_EQ(tc.data.empty() ? 0 : 1, (entry.*tc.op)(job.count(), job.options(), ppd.ppd())) << label;
    EXPECT_EQ(tc.data.empty() ? "" : handmade::Block("CNTRL", tc.parameter, tc.data), out.Take()) << label;
  }
}

TEST(DeviceEntry, ClockCommandOnlyForModelsWithAClock) {
  CapturedOutput out;
  DeviceEntry_KV71P plain;
  plain.SetOutputFd(out.fd());
  EXPECT_EQ(0, plain.SendSysTime());
  EXPECT_EQ("", out.Take());
  auto expectedAt = [](time_t t) {
    struct tm l;
    localtime_r(&t, &l);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", l.tm_year + 1900, l.tm_mon + 1, l.tm_mday,
                  l.tm_hour, l.tm_min, l.tm_sec);
    return handmade::Block("CNTRL", "SET_SYS_TIME", std::string(text) + '\r' + '\0');
  };
  CapableModel capable;
  capable.SetOutputFd(out.fd());
  const time_t before = time(nullptr);
  EXPECT_EQ(1, capable.SendSysTime());
  const std::string bytes = out.Take();
  EXPECT_TRUE(bytes == expectedAt(before) || bytes == expectedAt(time(nullptr))) << bytes;
}

TEST(DeviceEntry, IccProfileChoice) {
  TestCacheDir cache;
  cache.WriteJobFile("7", "MEDIA_CLASS=\"0001\"\n");
  JobOptions own(Pairs{{"VexICCProfile", "/tmp/own.icc"}});
  TestPpd ppd(Pairs{{"VexICCProfile", "ppd.icc"}});
  DeviceEntry_KV71P entry;
  EXPECT_STREQ("/tmp/own.icc", entry.GetICCProfile(own.count(), own.options(), ppd.ppd(), "7"));
  EXPECT_STREQ("ppd.icc", entry.GetICCProfile(0, nullptr, ppd.ppd(), "7"));
  EXPECT_STREQ(KV71P_ICC_PROFILE_SD, entry.GetICCProfile(0, nullptr, nullptr, "7"));
  EXPECT_STREQ(KV71P_ICC_PROFILE_PP, entry.GetICCProfile(0, nullptr, nullptr, "8"));
  EXPECT_EQ("", entry.iccProfile);
  entry.SetICCProfile("/a.icc");
  entry.SetICCProfile(nullptr);
  EXPECT_EQ("/a.icc", entry.iccProfile);
}

TEST(DeviceEntry, UpdateMediaInfoNeedsAResolutionOf300Or600) {
  DeviceEntry_KV71P entry;
  DeviceMediaBufferInfo none;
  EXPECT_EQ(0, entry.UpdateMediaInfo(none));
  EXPECT_TRUE(none == DeviceMediaBufferInfo()) << "a record without media stays as it is";
  DeviceMediaBufferInfo record;
  ASSERT_EQ(0, entry.SetMediaInfo(record, 33, 1.53));
  const DeviceMediaBufferInfo before = record;
  entry.resolutionDpi = 450;
  EXPECT_EQ(3, entry.UpdateMediaInfo(record));
  EXPECT_TRUE(before == record);
  EXPECT_EQ(1, entry.SetResolution(0, nullptr, nullptr));
  EXPECT_EQ(0, entry.UpdateMediaInfo(record));
  DeviceMediaBufferInfo noBase;
  noBase.mediaCode = 33;
  EXPECT_EQ(3, entry.UpdateMediaInfo(noBase)) << "no division by a zero base resolution";
}

}  // namespace
