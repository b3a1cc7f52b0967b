#include "printerapp/DriverTables.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kv71p::printerapp {

// Page sizes in dots at 300 dpi (the filter's media table): 2448 or 2528
// across, 1236 ... 3636 along; x 2540 / 300 rounded up.
const MediaSizeRow kMediaSizes[8] = {
    {"om_kv71p-8x4_207.27x104.65mm", "207x105mm"},
    {"om_kv71p-8x5_207.27x130.05mm", "207x130mm"},
    {"om_kv71p-8x6_207.27x155.45mm", "207x156mm"},
    {"om_kv71p-8x8_207.27x206.25mm", "207x206mm"},
    {"om_kv71p-8x10_207.27x257.05mm", "207x257mm"},
    {"om_kv71p-8x12_207.27x307.85mm", "207x308mm"},
    {"om_kv71p-a5_214.04x151.05mm", "214x151mm"},
    {"om_kv71p-a4_214.04x300.06mm", "214x300mm"},
};

// The rolls as the status window names them: 8x5 in, 8x6 in and A5.
const LoadedRollRow kLoadedRolls[3] = {{"00500", 1}, {"00510", 2}, {"00600", 6}};

const ResolutionRow kResolutions[3] = {
    {300, 300, "300dpi"},
    {300, 600, "300x600dpi"},
    {600, 600, "600x600dpi"},
};

namespace {

constexpr VendorChoice kOnOff[] = {{"false", "Disable"}, {"true", "Enable"}};
constexpr VendorChoice kMatching[] = {{"false", "None"}, {"true", "Enable"}};
constexpr VendorChoice kFinishes[] = {
    {"glossy", "Glossy"},
    {"luster", "Luster"},
    {"matte", "Matte"},
    {"fine-matte", "FineMatte"},
};

constexpr VendorOptionRow Boolean(const char* name, const char* keyword, const char* value,
                                  const VendorChoice (&choices)[2] = kOnOff) {
  return {name, keyword, VendorSyntax::Boolean, value, 0, 0, choices, 2};
}

constexpr VendorOptionRow Range(const char* name, const char* keyword, int lower = -100, int upper = 100) {
  return {name, keyword, VendorSyntax::Range, "0", lower, upper, nullptr, 0};
}

}  // namespace

// The PPD's options and defaults. The tone steps are the PPD's choices
// (-100 ... 100); IPP takes every whole number between, as the filter does
// for job options.
const VendorOptionRow kVendorOptions[] = {
    {"kv71p-overcoat-finish", "VexOvercoatFinish", VendorSyntax::Keyword, "glossy", 0, 0, kFinishes, 4},
    Boolean("kv71p-white-border", "VexBorder", "false"),
    Boolean("kv71p-two-inch-cut", "Vex2InchCut", "false"),
    Boolean("kv71p-high-speed", "VexPrintSpeed", "false"),
    Boolean("kv71p-print-retry", "VexPrintRetry", "true"),
    Boolean("kv71p-color-matching", "VexICM", "true", kMatching),
    Range("kv71p-sharpness", "VexSharpness", -2, 8),
    Boolean("kv71p-color-adjustment", "VexColorAdjustment", "false"),
    Range("kv71p-gamma-red", "VexGammaR"),
    Range("kv71p-gamma-green", "VexGammaG"),
    Range("kv71p-gamma-blue", "VexGammaB"),
    Range("kv71p-brightness-red", "VexBrightnessR"),
    Range("kv71p-brightness-green", "VexBrightnessG"),
    Range("kv71p-brightness-blue", "VexBrightnessB"),
    Range("kv71p-contrast-red", "VexContrastR"),
    Range("kv71p-contrast-green", "VexContrastG"),
    Range("kv71p-contrast-blue", "VexContrastB"),
    Range("kv71p-chroma", "VexChroma"),
};
const size_t kVendorOptionCount = sizeof kVendorOptions / sizeof kVendorOptions[0];

const MediaSizeRow* FindMediaSize(const char* pwgName) {
  if (pwgName == nullptr) return nullptr;
  for (const MediaSizeRow& row : kMediaSizes)
    if (std::strcmp(row.pwgName, pwgName) == 0) return &row;
  return nullptr;
}

const MediaSizeRow* ReadyMediaOf(const std::string& mediaSize) {
  for (const LoadedRollRow& roll : kLoadedRolls)
    if (mediaSize == roll.mediaSize) return &kMediaSizes[roll.mediaRow];
  return nullptr;
}

const ResolutionRow* FindResolution(unsigned xdpi, unsigned ydpi) {
  for (const ResolutionRow& row : kResolutions)
    if (static_cast<unsigned>(row.xdpi) == xdpi && static_cast<unsigned>(row.ydpi) == ydpi) return &row;
  return nullptr;
}

const char* PpdChoiceOf(const VendorOptionRow& option, const char* ippValue, char (&number)[16]) {
  if (ippValue == nullptr) return nullptr;
  if (option.syntax == VendorSyntax::Range) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(ippValue, &end, 10);
    if (end == ippValue || *end != '\0' || errno != 0 || value < option.lower || value > option.upper)
      return nullptr;
    std::snprintf(number, sizeof number, "%ld", value);
    return number;
  }
  for (size_t i = 0; i < option.choiceCount; ++i)
    if (std::strcmp(option.choices[i].ippValue, ippValue) == 0) return option.choices[i].ppdChoice;
  return nullptr;
}

}  // namespace kv71p::printerapp
