#include "filter/DeviceEntry.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"
#include "common/SafeFile.h"
#include "common/TextHelpers.h"
#include "filter/Common.h"

namespace kv71p::filter {

namespace {

// The option list and PPD of one setting operation.
struct OptionReader {
  int numOptions;
  cups_option_t* options;
  ppd_file_t* ppd;

  const char* Get(const char* keyword) const {
    return _GetCupsValue(keyword, numOptions, options, ppd);
  }
  const char* Get(const std::string& keyword) const { return Get(keyword.c_str()); }
  // True when the option exists and is exactly `text`.
  bool Is(const char* keyword, const char* text) const {
    const char* value = Get(keyword);
    return value != nullptr && std::strcmp(value, text) == 0;
  }
};

// Gamma x 100 of the option value v: 2^(v/100) x 100, truncated. From
// v = 2436 up the result would exceed the int range and gives INT_MAX (a
// gamma that lightens as far as it goes); from v = -665 down it is 0.
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
void ReadChannelFamily(const OptionReader& o, const std::string& keyword, int32_t absent, Map map,
                       int32_t* r, int32_t* g, int32_t* b) {
  if (const char* all = o.Get(keyword)) {
    *r = *g = *b = map(kv71p::ParseInt(all));
    return;
  }
  int32_t* channels[3] = {r, g, b};
  const char suffixes[3] = {'R', 'G', 'B'};
  for (int i = 0; i < 3; ++i) {
    const char* value = o.Get(keyword + suffixes[i]);
    *channels[i] = value ? map(kv71p::ParseInt(value)) : absent;
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

// --- Model operations with a common answer -------------------------------

void DeviceEntry::SetPaperRotate(int, cups_option_t*, ppd_file_t*) { paperRotate = false; }

int DeviceEntry::GetRemainHalf(const char*) { return 0; }

// --- Settings ------------------------------------------------------------

int DeviceEntry::SetResolution(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  const OptionReader o{numOptions, options, ppd};
  if (o.Is("Resolution", "300x600dpi")) {
    resolutionMode = 1;
    resolutionDpi = 600;
  } else if (o.Is("Resolution", "600x600dpi")) {
    resolutionMode = 2;
    resolutionDpi = 600;
  } else {
    resolutionMode = 0;
    resolutionDpi = 300;
  }
  return UpdateMediaInfo(mediaInfo) == 0 ? 1 : 0;
}

void DeviceEntry::SetBorder(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  border = OptionReader{numOptions, options, ppd}.Is("VexBorder", "Enable");
}

void DeviceEntry::SetICM(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  icm = !OptionReader{numOptions, options, ppd}.Is("VexICM", "None");
}

void DeviceEntry::SetSharpness(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  const char* value = OptionReader{numOptions, options, ppd}.Get("VexSharpness");
  const int v = kv71p::ParseInt(value);
  sharpness = (value != nullptr && v >= -2 && v <= 8) ? kSharpnessLevels[v + 2] : 0;
}

void DeviceEntry::SetGamma(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  ReadChannelFamily(OptionReader{numOptions, options, ppd}, "VexGamma", 100, GammaOfOption,
                    &gammaR, &gammaG, &gammaB);
}

void DeviceEntry::SetIntensity(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  ReadChannelFamily(OptionReader{numOptions, options, ppd}, "VexBrightness", 0,
                    [](int v) { return Scaled(v, 2); }, &brightnessR, &brightnessG, &brightnessB);
}

void DeviceEntry::SetContrast(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  ReadChannelFamily(OptionReader{numOptions, options, ppd}, "VexContrast", 0,
                    [](int v) { return Scaled(v, 10); }, &contrastR, &contrastG, &contrastB);
}

void DeviceEntry::SetSaturation(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  const char* value = OptionReader{numOptions, options, ppd}.Get("VexChroma");
  chroma = value ? Scaled(kv71p::ParseInt(value), 10) : 0;
}

void DeviceEntry::SetColorAdjustment(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  colorAdjustment = OptionReader{numOptions, options, ppd}.Is("VexColorAdjustment", "Enable");
}

const char* DeviceEntry::GetICCProfile(int numOptions, cups_option_t* options, ppd_file_t* ppd,
                                       const char* jobId) {
  const char* path = OptionReader{numOptions, options, ppd}.Get("VexICCProfile");
  return path ? path : GetPrinterICCProfile(jobId);
}

void DeviceEntry::SetICCProfile(const char* profilePath) {
  if (profilePath != nullptr) iccProfile = profilePath;
}

// --- Setting commands ----------------------------------------------------

int DeviceEntry::SendOvercoatFinish(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  double firmware = 0;
  if (_GetFirmwVersion(0, &firmware) != 0) return 0;
  const int64_t finish = FinishOfOption(OptionReader{numOptions, options, ppd}.Get("VexOvercoatFinish"));
  if (SetOvercoatFinish(static_cast<uint64_t>(finish), firmware) != 0) return 0;
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdCntrl, kParamOvercoat, overcoatValue);
  DeviceIO(cmd);
  return 1;
}

int DeviceEntry::SendCutterMode(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  const bool cut = OptionReader{numOptions, options, ppd}.Is("Vex2InchCut", "Enable") &&
                   mediaInfo.twoInchCut != 0;
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, cut ? 120L : 0L);
  DeviceIO(cmd);
  return 1;
}

int DeviceEntry::SendPrintRetry(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  const bool retry = !OptionReader{numOptions, options, ppd}.Is("VexPrintRetry", "Disable");
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdCntrl, kParamBuffCntrl, retry ? 1 : 0);
  DeviceIO(cmd);
  return 1;
}

int DeviceEntry::SendPrintSpeed(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  const OptionReader o{numOptions, options, ppd};
  int speed = 0;
  if (o.Is("Resolution", "300x600dpi")) speed = o.Is("VexPrintSpeed", "Enable") ? 30 : 10;
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdCntrl, kParamPrintSpeed, speed);
  DeviceIO(cmd);
  return 1;
}

int DeviceEntry::SendDecurl(int numOptions, cups_option_t* options, ppd_file_t* ppd) {
  if (!isSupportDecurl()) return 0;
  const OptionReader o{numOptions, options, ppd};
  int mode = 2;
  if (o.Is("VexDecurl", "Enable"))
    mode = 1;
  else if (o.Is("VexDecurl", "Disable"))
    mode = 0;
  DeviceCmd cmd;
  MakeDecurlCmd(cmd, mode);
  DeviceIO(cmd);
  return 1;
}

int DeviceEntry::SendSysTime() {
  if (!isSupportSysTime()) return 0;
  const time_t now = time(nullptr);
  struct tm local;
  DeviceCmd cmd;
  if (localtime_r(&now, &local) != nullptr) MakeSysTimeCmd(cmd, local);
  DeviceIO(cmd);
  return 1;
}

// --- Media record --------------------------------------------------------

int DeviceEntry::UpdateMediaInfo(DeviceMediaBufferInfo& record) {
  if (resolutionDpi != 300 && resolutionDpi != 600) return 3;
  if (record.mediaCode == -1) return 0;
  if (record.baseDpi <= 0) return 3;
  const int64_t dpiY = resolutionDpi;
  const auto scale = [&record](int32_t base, int64_t dpi) {
    return static_cast<int32_t>(base * dpi / record.baseDpi);
  };
  record.dpiX = 300;
  record.dpiY = dpiY;
  record.pageWidth = scale(record.baseWidth, 300);
  record.pageLength = scale(record.baseLength, dpiY);
  record.headWidth = GetHeadWidth();
  record.photoWidth = scale(record.basePhotoWidth, 300);
  record.photoLength = scale(record.basePhotoLength, dpiY);
  record.gap = scale(record.baseGap, dpiY);
  record.photos = record.photoCount;
  return 0;
}

// --- Output --------------------------------------------------------------

bool DeviceEntry::WriteBlock(const void* bytes, size_t count) {
  if (outputFailed_) return false;
  if (!kv71p::WriteAll(outputFd_, bytes, count)) outputFailed_ = true;
  return !outputFailed_;
}

int DeviceEntry::Write(const void* bytes, int count) {
  if (bytes == nullptr || count <= 0) return outputFailed_ ? 1 : 0;
  return WriteBlock(bytes, static_cast<size_t>(count)) ? 0 : 1;
}

int DeviceEntry::DeviceIO(const DeviceCmd& block) { return Write(block.buffer, block.length); }

// --- Photos and prints ---------------------------------------------------

PhotoBitmap DeviceEntry::MakeImageData(PageMemory pixels, int64_t width, int64_t height, int index) {
  imageBuffer.Alloc(mediaInfo);
  imageBuffer.resolutionDpi = resolutionDpi;
  imageBuffer.resolutionMode = resolutionMode;
  imageBuffer.paperRotate = paperRotate;
  imageBuffer.border = border;
  imageBuffer.icm = icm;
  imageBuffer.sharpness = sharpness;
  imageBuffer.colorAdjustment = colorAdjustment;
  imageBuffer.gammaR = gammaR;
  imageBuffer.gammaG = gammaG;
  imageBuffer.gammaB = gammaB;
  imageBuffer.brightnessR = brightnessR;
  imageBuffer.brightnessG = brightnessG;
  imageBuffer.brightnessB = brightnessB;
  imageBuffer.contrastR = contrastR;
  imageBuffer.contrastG = contrastG;
  imageBuffer.contrastB = contrastB;
  imageBuffer.chroma = chroma;
  imageBuffer.iccProfile = iccProfile;
  return imageBuffer.ColorProcess(std::move(pixels), width, height, index);
}

void DeviceEntry::SetImageData(int slot, const _tagBITMAPHANDLE* photo) {
  imageBuffer.SetImageData(slot, photo);
}

int DeviceEntry::SendImageData(int photoNumber) {
  const DeviceMediaBufferInfo record =
      photoNumber >= 2 ? GetMultiMediaInfo(mediaInfo, photoNumber) : mediaInfo;
  const int result = PrintImageData(record);
  if (result == 1) imageBuffer.Clear();
  return result;
}

int DeviceEntry::PrintImageData(const DeviceMediaBufferInfo& record) {
  SendMediaSize(record);
  if (imageBuffer.Send(this, record) != 0) return 0;
  DeviceCmd start;
  MakeStartCmd(start);
  return DeviceIO(start) == 0 ? 1 : 0;
}

int DeviceEntry::SendMediaSize(const DeviceMediaBufferInfo& record) {
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdImage, kParamMultiCut, record.multiCutCode);
  DeviceIO(cmd);
  return 1;
}

int DeviceEntry::SetCommand(const void* bytes, uint64_t count) {
  if (bytes == nullptr || count == 0) return 0;
  return WriteBlock(bytes, static_cast<size_t>(count)) ? 1 : 0;
}

}  // namespace kv71p::filter
