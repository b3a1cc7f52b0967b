#include "filter/JobSettingsFromOptions.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "common/TextHelpers.h"

namespace kv71p::filter {

namespace {

// How option values become the image library's values: brightness and
// contrast per channel and chroma are scaled, gamma x 100 is 2^(v/100) x 100.
constexpr int kBrightnessPerStep = 2;
constexpr int kContrastPerStep = 10;
constexpr int kChromaPerStep = 10;

// Gamma x 100 of the option value v, truncated. From v = 2436 up the result
// would exceed the int range and gives INT32_MAX (a gamma that lightens as
// far as it goes); from v = -665 down it is 0.
int32_t GammaOfOption(int v) {
  const double gamma = std::pow(2.0, v / 100.0) * 100.0;
  if (!(gamma < 2147483648.0)) return INT32_MAX;
  return static_cast<int32_t>(gamma);
}

// factor x v, saturated to the int range so that a huge option value stays
// huge (and out of the image operations' accepted range) instead of
// overflowing.
int32_t Scaled(int v, int factor) {
  const int64_t product = static_cast<int64_t>(v) * factor;
  if (product > INT32_MAX) return INT32_MAX;
  if (product < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(product);
}

// A family of options such as "VexGamma", "VexGammaR", "VexGammaG",
// "VexGammaB": the common keyword, when set, gives all three channels;
// otherwise each channel reads its own keyword, `absent` when it is missing.
template <typename Map>
void ReadChannelFamily(const PrintOptions& options, const std::string& keyword, int32_t absent,
                       Map map, int32_t channels[3]) {
  if (const char* all = options.Value(keyword.c_str())) {
    channels[0] = channels[1] = channels[2] = map(kv71p::ParseInt(all));
    return;
  }
  const char suffixes[3] = {'R', 'G', 'B'};
  for (int i = 0; i < 3; ++i) {
    const char* value = options.Value((keyword + suffixes[i]).c_str());
    channels[i] = value ? map(kv71p::ParseInt(value)) : absent;
  }
}

// Sharpening strength for the option values -2 ... 8.
constexpr int32_t kSharpnessLevels[] = {-1000, -500, 0, 650, 700, 750, 800, 850, 900, 950, 1000};

// Overcoat finish codes of the "VexOvercoatFinish" values.
int64_t FinishOfOption(const char* value) {
  if (value == nullptr) return 0;
  if (std::strcmp(value, "Luster") == 0) return 22;
  if (std::strcmp(value, "Matte") == 0) return 1;
  if (std::strcmp(value, "FineMatte") == 0) return 21;
  return 0;  // "Glossy" and anything else
}

}  // namespace

JobSettings JobSettingsFromOptions(const PrintOptions& options) {
  JobSettings s;
  if (const char* pageSize = options.Value("PageSize")) s.pageSize = pageSize;
  if (options.Is("Resolution", "300x600dpi")) {
    s.resolutionMode = 1;
    s.resolutionDpi = 600;
  } else if (options.Is("Resolution", "600x600dpi")) {
    s.resolutionMode = 2;
    s.resolutionDpi = 600;
  }

  s.border = options.Is("VexBorder", "Enable");
  const char* matching = options.JobOption("AP_ColorMatchingMode");
  const bool applicationMatching =
      matching != nullptr && std::strcmp(matching, "AP_ApplicationColorMatching") == 0;
  s.icm = !options.Is("VexICM", "None") && !applicationMatching;

  const char* sharpness = options.Value("VexSharpness");
  const int level = kv71p::ParseInt(sharpness);
  if (sharpness != nullptr && level >= -2 && level <= 8) s.sharpness = kSharpnessLevels[level + 2];

  ReadChannelFamily(options, "VexGamma", 100, GammaOfOption, s.gamma);
  ReadChannelFamily(options, "VexBrightness", 0, [](int v) { return Scaled(v, kBrightnessPerStep); },
                    s.brightness);
  ReadChannelFamily(options, "VexContrast", 0, [](int v) { return Scaled(v, kContrastPerStep); },
                    s.contrast);
  if (const char* chroma = options.Value("VexChroma")) s.chroma = Scaled(kv71p::ParseInt(chroma), kChromaPerStep);
  s.colorAdjustment = options.Is("VexColorAdjustment", "Enable");

  s.twoInchCut = options.Is("Vex2InchCut", "Enable");
  s.overcoatFinish = FinishOfOption(options.Value("VexOvercoatFinish"));
  s.printRetry = !options.Is("VexPrintRetry", "Disable");
  if (options.Is("Resolution", "300x600dpi")) s.printSpeed = options.Is("VexPrintSpeed", "Enable") ? 30 : 10;
  return s;
}

}  // namespace kv71p::filter
