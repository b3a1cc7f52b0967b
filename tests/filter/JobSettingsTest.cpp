// The job settings read from the print options: every keyword's values as
// job option and as PPD default, the defaults, and which source wins.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p::filter;

namespace {

using kv71p::test::Pairs;
using kv71p::test::SettingsOf;

std::string Three(const int32_t v[3]) {
  return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]);
}

// The settings a keyword family sets, as text; all of them for "".
std::string Setting(const JobSettings& s, const std::string& keyword) {
  const auto family = [&](const char* name) { return keyword.rfind(name, 0) == 0; };
  if (keyword == "Resolution") return std::to_string(s.resolutionMode) + "," + std::to_string(s.resolutionDpi) + "," + std::to_string(s.printSpeed);
  if (keyword == "PageSize") return s.pageSize;
  if (keyword == "VexBorder") return std::to_string(s.border);
  if (keyword == "VexICM" || keyword == "AP_ColorMatchingMode") return std::to_string(s.icm);
  if (keyword == "VexSharpness") return std::to_string(s.sharpness);
  if (family("VexGamma")) return Three(s.gamma);
  if (family("VexBrightness")) return Three(s.brightness);
  if (family("VexContrast")) return Three(s.contrast);
  if (keyword == "VexChroma") return std::to_string(s.chroma);
  if (keyword == "VexColorAdjustment") return std::to_string(s.colorAdjustment);
  if (keyword == "Vex2InchCut") return std::to_string(s.twoInchCut);
  if (keyword == "VexOvercoatFinish") return std::to_string(s.overcoatFinish);
  if (keyword == "VexPrintRetry") return std::to_string(s.printRetry);
  if (keyword == "VexPrintSpeed") return std::to_string(s.printSpeed);
  return kv71p::test::SettingsText(s);
}

// Every value of every keyword, as a job option and as the PPD's default.
TEST(JobSettings, EveryKeywordFromJobOptionOrPpd) {
  const std::string huge = "99999999999999999999", hugeNeg = "-" + huge;
  const std::string max = std::to_string(INT_MAX), min = std::to_string(INT_MIN);
  const struct {
    const char* keyword;
    Pairs values;  // value, setting
  } cases[] = {
      {"Resolution", {{"300x600dpi", "1,600,10"}, {"600x600dpi", "2,600,0"}, {"300dpi", "0,300,0"}, {"600X600dpi", "0,300,0"}}},
      {"PageSize", {{"214x151mm", "214x151mm"}}},
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
      {"Vex2InchCut", {{"Enable", "1"}, {"enable", "0"}}},
      {"VexOvercoatFinish", {{"Glossy", "0"}, {"Luster", "22"}, {"Matte", "1"}, {"FineMatte", "21"}, {"luster", "0"}}},
      {"VexPrintRetry", {{"Disable", "0"}, {"DISABLE", "1"}}},
      {"VexPrintSpeed", {{"Enable", "0"}}},  // only at 300x600 dpi
  };
  for (const auto& tc : cases) {
    for (const auto& [value, setting] : tc.values) {
      EXPECT_EQ(setting, Setting(SettingsOf({{tc.keyword, value}}), tc.keyword)) << tc.keyword << "=" << value << " job";
      EXPECT_EQ(setting, Setting(SettingsOf({}, {{tc.keyword, value}}), tc.keyword)) << tc.keyword << "=" << value << " PPD";
    }
  }
}

TEST(JobSettings, DefaultsAndPrecedence) {
  const struct {
    const char* label;
    Pairs job, ppd;
    const char* keyword;
    std::string expected;
  } cases[] = {
      {"neither", {}, {}, "", "0 300 0 1 0 0 0 0 0 1 0 100,0,0 100,0,0 100,0,0 "},
      {"job wins over PPD", {{"Resolution", "300dpi"}}, {{"Resolution", "600x600dpi"}}, "Resolution", "0,300,0"},
      {"job disables", {{"VexBorder", "Disable"}}, {{"VexBorder", "Enable"}}, "VexBorder", "0"},
      {"family wins over a channel", {{"VexGamma", "50"}, {"VexGammaR", "0"}}, {}, "VexGamma", "141,141,141"},
      {"channels from job and PPD", {{"VexGammaR", "100"}}, {{"VexGammaB", "50"}}, "VexGamma", "200,100,141"},
      {"PPD family over a job channel", {{"VexGammaR", "100"}}, {{"VexGamma", "-100"}}, "VexGamma", "50,50,50"},
      {"brightness family", {{"VexBrightness", "10"}, {"VexBrightnessG", "3"}}, {}, "VexBrightness", "20,20,20"},
      {"fast at 300x600", {{"VexPrintSpeed", "Enable"}}, {{"Resolution", "300x600dpi"}}, "VexPrintSpeed", "30"},
      {"no matching for the application's", {{"AP_ColorMatchingMode", "AP_ApplicationColorMatching"}}, {}, "VexICM", "0"},
      {"other matching modes", {{"AP_ColorMatchingMode", "AP_ApplicationColorMatchin"}}, {}, "VexICM", "1"},
      {"the mode is no PPD option", {}, {{"AP_ColorMatchingMode", "AP_ApplicationColorMatching"}}, "VexICM", "1"},
      {"media for PageSize", {{"media", "207x130mm"}}, {{"PageSize", "214x300mm"}}, "PageSize", "207x130mm"},
      {"PageSize before media", {{"media", "207x130mm"}, {"PageSize", "214x151mm"}}, {}, "PageSize", "214x151mm"},
      {"media only for PageSize", {{"media", "300x600dpi"}}, {}, "Resolution", "0,300,0"},
  };
  for (const auto& tc : cases) EXPECT_EQ(tc.expected, Setting(SettingsOf(tc.job, tc.ppd), tc.keyword)) << tc.label;
}

}  // namespace
