#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>

#include "DeviceEntry_KV71P.h"
#include "FilterTestHelpers.h"
#include "Kv71pConfig.h"

namespace {

using kv71p::test::Block;
using kv71p::test::CapturedOutput;
using kv71p::test::JobOptions;
using kv71p::test::Pairs;
using kv71p::test::TestCacheDir;
using kv71p::test::TestPpd;

void ApplyAll(DeviceEntry& e, const JobOptions& job, const TestPpd& ppd) {
  const int n = job.count();
  cups_option_t* o = job.options();
  ppd_file_t* p = ppd.ppd();
  e.SetResolution(n, o, p);
  e.SetMediaSize(n, o, p);
  e.SetBorder(n, o, p);
  e.SetICM(n, o, p);
  e.SetSharpness(n, o, p);
  e.SetGamma(n, o, p);
  e.SetIntensity(n, o, p);
  e.SetContrast(n, o, p);
  e.SetSaturation(n, o, p);
  e.SetColorAdjustment(n, o, p);
}

using Field = std::string (*)(const DeviceEntry&);
std::string Three(int32_t a, int32_t b, int32_t c) {
  return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c);
}
const Field kResolution = [](const DeviceEntry& e) { return Three(e.resolutionMode, e.resolutionDpi, 0); };
const Field kBorder = [](const DeviceEntry& e) { return std::to_string(e.border); };
const Field kIcm = [](const DeviceEntry& e) { return std::to_string(e.icm); };
const Field kSharpness = [](const DeviceEntry& e) { return std::to_string(e.sharpness); };
const Field kGamma = [](const DeviceEntry& e) { return Three(e.gammaR, e.gammaG, e.gammaB); };
const Field kBright = [](const DeviceEntry& e) { return Three(e.brightnessR, e.brightnessG, e.brightnessB); };
const Field kContrast = [](const DeviceEntry& e) { return Three(e.contrastR, e.contrastG, e.contrastB); };
const Field kChroma = [](const DeviceEntry& e) { return std::to_string(e.chroma); };
const Field kAdjust = [](const DeviceEntry& e) { return std::to_string(e.colorAdjustment); };
const Field kAll = [](const DeviceEntry& e) {
  std::string all;
  for (Field f : {kResolution, kBorder, kIcm, kSharpness, kGamma, kBright, kContrast, kChroma, kAdjust})
    all += f(e) + " ";
  return all;
};

TEST(DeviceEntry, SettingsFromOptions) {
  const std::string huge = "99999999999999999999", hugeNeg = "-" + huge;
  const std::string max = std::to_string(INT_MAX), min = std::to_string(INT_MIN);
  struct {
    const char* label;
    Pairs job, ppd;
    Field field;
    std::string expected;
  } cases[] = {
      {"no options, no PPD", {}, {}, kAll, "0,300,0 0 1 0 100,100,100 0,0,0 0,0,0 0 0 "},
      {"300x600dpi", {{"Resolution", "300x600dpi"}}, {}, kResolution, "1,600,0"},
      {"600x600dpi from the PPD", {}, {{"Resolution", "600x600dpi"}}, kResolution, "2,600,0"},
      {"job resolution wins", {{"Resolution", "300dpi"}}, {{"Resolution", "600x600dpi"}}, kResolution, "0,300,0"},
      {"resolution case-sensitive", {{"Resolution", "600X600dpi"}}, {}, kResolution, "0,300,0"},
      {"border", {{"VexBorder", "Enable"}}, {}, kBorder, "1"},
      {"border from the PPD", {}, {{"VexBorder", "Enable"}}, kBorder, "1"},
      {"border disabled by the job", {{"VexBorder", "Disable"}}, {{"VexBorder", "Enable"}}, kBorder, "0"},
      {"border case-sensitive", {{"VexBorder", "enable"}}, {}, kBorder, "0"},
      {"no colour matching", {{"VexICM", "None"}}, {}, kIcm, "0"},
      {"no colour matching from the PPD", {}, {{"VexICM", "None"}}, kIcm, "0"},
      {"ICM case-sensitive", {{"VexICM", "none"}}, {}, kIcm, "1"},
      {"sharpness -3", {{"VexSharpness", "-3"}}, {}, kSharpness, "0"},
      {"sharpness -2", {{"VexSharpness", "-2"}}, {}, kSharpness, "-1000"},
      {"sharpness 1", {{"VexSharpness", "1"}}, {}, kSharpness, "650"},
      {"sharpness 5 from the PPD", {}, {{"VexSharpness", "5"}}, kSharpness, "850"},
      {"sharpness 8", {{"VexSharpness", "8"}}, {}, kSharpness, "1000"},
      {"sharpness 9", {{"VexSharpness", "9"}}, {}, kSharpness, "0"},
      {"sharpness digits then text", {{"VexSharpness", "2x"}}, {}, kSharpness, "700"},
      {"sharpness huge", {{"VexSharpness", huge}}, {}, kSharpness, "0"},
      {"gamma 50 wins over R", {{"VexGamma", "50"}, {"VexGammaR", "0"}}, {}, kGamma, "141,141,141"},
      {"gamma G -100 alone", {{"VexGammaG", "-100"}}, {}, kGamma, "100,50,100"},
      {"gamma channels from job and PPD", {{"VexGammaR", "100"}}, {{"VexGammaB", "50"}}, kGamma, "200,100,141"},
      {"PPD family default wins over a job channel", {{"VexGammaR", "100"}}, {{"VexGamma", "-100"}}, kGamma, "50,50,50"},
      {"gamma largest in range", {{"VexGamma", "2435"}}, {}, kGamma, "2138357894,2138357894,2138357894"},
      {"gamma beyond the int range", {{"VexGamma", "2436"}}, {}, kGamma, max + "," + max + "," + max},
      {"gamma huge", {{"VexGammaB", huge}}, {}, kGamma, "100,100," + max},
      {"gamma -664", {{"VexGamma", "-664"}}, {}, kGamma, "1,1,1"},
      {"gamma hugely negative", {{"VexGamma", hugeNeg}}, {}, kGamma, "0,0,0"},
      {"gamma malformed", {{"VexGamma", "abc"}}, {}, kGamma, "100,100,100"},
      {"brightness family", {{"VexBrightness", "10"}, {"VexBrightnessG", "3"}}, {}, kBright, "20,20,20"},
      {"brightness channels", {{"VexBrightnessR", "-5"}}, {{"VexBrightnessB", "7"}}, kBright, "-10,0,14"},
      {"brightness saturates", {{"VexBrightnessR", huge}, {"VexBrightnessG", hugeNeg}}, {}, kBright, max + "," + min + ",0"},
      {"contrast family", {}, {{"VexContrast", "-3"}}, kContrast, "-30,-30,-30"},
      {"contrast channel", {{"VexContrastB", "100"}}, {}, kContrast, "0,0,1000"},
      {"contrast saturates", {{"VexContrast", hugeNeg}}, {}, kContrast, min + "," + min + "," + min},
      {"chroma", {{"VexChroma", "-5"}}, {}, kChroma, "-50"},
      {"chroma from the PPD", {}, {{"VexChroma", "7"}}, kChroma, "70"},
      {"chroma saturates", {{"VexChroma", huge}}, {}, kChroma, max},
      {"colour adjustment", {{"VexColorAdjustment", "Enable"}}, {}, kAdjust, "1"},
      {"colour adjustment case-sensitive", {{"VexColorAdjustment", "ENABLE"}}, {}, kAdjust, "0"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    JobOptions job(tc.job);
    TestPpd ppd(tc.ppd);
    if (!tc.ppd.empty()) {
      ASSERT_NE(nullptr, ppd.ppd());
    }
    DeviceEntry_KV71P entry;
    ApplyAll(entry, job, ppd);
    EXPECT_EQ(tc.expected, tc.field(entry));
  }
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
  auto cntrl = [](const char* parameter, const char* data) { return Block("CNTRL", parameter, data); };
  struct {
    const char* label;
    SendOp op;
    bool capable;
    Pairs job, ppd;
    int result;
    std::string bytes;
  } cases[] = {
      {"cutter by default", cutter, false, {}, {}, 1, cntrl("CUTTER", "00000000")},
      {"2-inch cut on 207x257mm", cutter, false, {{"PageSize", "207x257mm"}, {"Vex2InchCut", "Enable"}}, {}, 1, cntrl("CUTTER", "00000120")},
      {"2-inch cut from the PPD", cutter, false, {{"media", "214x300mm"}}, {{"Vex2InchCut", "Enable"}}, 1, cntrl("CUTTER", "00000120")},
      {"2-inch cut on a media without it", cutter, false, {{"PageSize", "207x105mm"}, {"Vex2InchCut", "Enable"}}, {}, 1, cntrl("CUTTER", "00000000")},
      {"2-inch cut case-sensitive", cutter, false, {{"PageSize", "207x308mm"}, {"Vex2InchCut", "enable"}}, {}, 1, cntrl("CUTTER", "00000000")},
      {"overcoat by default", overcoat, false, {}, {}, 1, cntrl("OVERCOAT", "00000000")},
      {"overcoat Glossy", overcoat, false, {{"VexOvercoatFinish", "Glossy"}}, {}, 1, cntrl("OVERCOAT", "00000000")},
      {"overcoat Luster", overcoat, false, {{"VexOvercoatFinish", "Luster"}}, {}, 1, cntrl("OVERCOAT", "00000022")},
      {"overcoat Matte from the PPD", overcoat, false, {}, {{"VexOvercoatFinish", "Matte"}}, 1, cntrl("OVERCOAT", "00000001")},
      {"overcoat FineMatte", overcoat, false, {{"VexOvercoatFinish", "FineMatte"}}, {}, 1, cntrl("OVERCOAT", "00000021")},
      {"overcoat case-sensitive", overcoat, false, {{"VexOvercoatFinish", "luster"}}, {}, 1, cntrl("OVERCOAT", "00000000")},
      {"retry by default", retry, false, {}, {}, 1, cntrl("BUFFCNTRL", "00000001")},
      {"retry disabled", retry, false, {{"VexPrintRetry", "Disable"}}, {}, 1, cntrl("BUFFCNTRL", "00000000")},
      {"retry disabled by the PPD", retry, false, {}, {{"VexPrintRetry", "Disable"}}, 1, cntrl("BUFFCNTRL", "00000000")},
      {"retry case-sensitive", retry, false, {{"VexPrintRetry", "DISABLE"}}, {}, 1, cntrl("BUFFCNTRL", "00000001")},
      {"speed by default", speed, false, {}, {}, 1, cntrl("PRINTSPEED", "00000000")},
      {"speed at 300x600dpi", speed, false, {{"Resolution", "300x600dpi"}}, {}, 1, cntrl("PRINTSPEED", "00000010")},
      {"fast at 300x600dpi", speed, false, {{"VexPrintSpeed", "Enable"}}, {{"Resolution", "300x600dpi"}}, 1, cntrl("PRINTSPEED", "00000030")},
      {"fast at 600x600dpi", speed, false, {{"Resolution", "600x600dpi"}, {"VexPrintSpeed", "Enable"}}, {}, 1, cntrl("PRINTSPEED", "00000000")},
      {"no decurl on the KV-71P", decurl, false, {{"VexDecurl", "Enable"}}, {}, 0, ""},
      {"decurl Enable", decurl, true, {{"VexDecurl", "Enable"}}, {}, 1, cntrl("DECURL", "010000000000")},
      {"decurl Disable", decurl, true, {}, {{"VexDecurl", "Disable"}}, 1, cntrl("DECURL", "000000000000")},
      {"decurl by default", decurl, true, {}, {}, 1, cntrl("DECURL", "020000000000")},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    JobOptions job(tc.job);
    TestPpd ppd(tc.ppd);
    if (!tc.ppd.empty()) {
      ASSERT_NE(nullptr, ppd.ppd());
    }
    CapturedOutput out;
    CapableModel capable;
    DeviceEntry_KV71P plain;
    DeviceEntry& entry = tc.capable ? static_cast<DeviceEntry&>(capable) : plain;
    entry.SetOutputFd(out.fd());
    ApplyAll(entry, job, ppd);
    ASSERT_EQ("", out.Take()) << "the settings write nothing";
    EXPECT_EQ(tc.result, (entry.*tc.op)(job.count(), job.options(), ppd.ppd()));
    EXPECT_EQ(tc.bytes, out.Take());
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
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", l.tm_year + 1900, l.tm_mon + 1,
                  l.tm_mday, l.tm_hour, l.tm_min, l.tm_sec);
    return Block("CNTRL", "SET_SYS_TIME", std::string(text) + '\r' + '\0');
  };
  CapableModel capable;
  capable.SetOutputFd(out.fd());
  const time_t before = time(nullptr);
  EXPECT_EQ(1, capable.SendSysTime());
  const std::string bytes = out.Take();
  ASSERT_EQ(48u, bytes.size());
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
