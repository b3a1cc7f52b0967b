#include "tools/testbed/testprofiles/TestProfiles.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>

namespace kv71p {

namespace {

// Lab <-> sRGB in floating point, used to fill the look-up tables.
struct LabConverters {
  LabConverters() {
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    toRgb = cmsCreateTransform(lab, TYPE_Lab_DBL, srgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC,
                               cmsFLAGS_NOCACHE);
    toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC,
                               cmsFLAGS_NOCACHE);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
  }
  ~LabConverters() {
    if (toRgb) cmsDeleteTransform(toRgb);
    if (toLab) cmsDeleteTransform(toLab);
  }
  cmsHTRANSFORM toRgb = nullptr;
  cmsHTRANSFORM toLab = nullptr;
};

double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

// The "printer": a little darker in red, a little lifted in green.
void DeviceFromSrgb(double* rgb) {
  rgb[0] = std::pow(Clamp01(rgb[0]), 1.15);
  rgb[1] = Clamp01(rgb[1] * 0.95 + 0.03);
  rgb[2] = Clamp01(rgb[2]);
}

void SrgbFromDevice(double* rgb) {
  rgb[0] = std::pow(Clamp01(rgb[0]), 1.0 / 1.15);
  rgb[1] = Clamp01((rgb[1] - 0.03) / 0.95);
  rgb[2] = Clamp01(rgb[2]);
}

cmsUInt16Number ToWord(double v) { return static_cast<cmsUInt16Number>(std::lround(Clamp01(v) * 65535.0)); }

// Lab (v4 encoding) -> device RGB.
cmsInt32Number SampleLabToRgb(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  auto* conv = static_cast<LabConverters*>(cargo);
  cmsCIELab lab;
  cmsLabEncoded2Float(&lab, in);
  double rgb[3];
  cmsDoTransform(conv->toRgb, &lab, rgb, 1);
  DeviceFromSrgb(rgb);
  for (int i = 0; i < 3; ++i) out[i] = ToWord(rgb[i]);
  return TRUE;
}

// Device RGB -> Lab (v4 encoding).
cmsInt32Number SampleRgbToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  auto* conv = static_cast<LabConverters*>(cargo);
  double rgb[3] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0};
  SrgbFromDevice(rgb);
  cmsCIELab lab;
  cmsDoTransform(conv->toLab, rgb, &lab, 1);
  cmsFloat2LabEncoded(out, &lab);
  return TRUE;
}

// Lab -> CMYK: a plain grey-component replacement.
cmsInt32Number SampleLabToCmyk(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  auto* conv = static_cast<LabConverters*>(cargo);
  cmsCIELab lab;
  cmsLabEncoded2Float(&lab, in);
  double rgb[3];
  cmsDoTransform(conv->toRgb, &lab, rgb, 1);
  const double c = 1 - Clamp01(rgb[0]), m = 1 - Clamp01(rgb[1]), y = 1 - Clamp01(rgb[2]);
  const double k = std::min(c, std::min(m, y));
  out[0] = ToWord(c - k);
  out[1] = ToWord(m - k);
  out[2] = ToWord(y - k);
  out[3] = ToWord(k);
  return TRUE;
}

cmsInt32Number SampleCmykToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  auto* conv = static_cast<LabConverters*>(cargo);
  const double k = in[3] / 65535.0;
  double rgb[3];
  for (int i = 0; i < 3; ++i) rgb[i] = (1 - in[i] / 65535.0) * (1 - k);
  cmsCIELab lab;
  cmsDoTransform(conv->toLab, rgb, &lab, 1);
  cmsFloat2LabEncoded(out, &lab);
  return TRUE;
}

// Identity curves, a sampled table, identity curves.
cmsPipeline* LutPipeline(int inputs, int outputs, cmsSAMPLER16 sampler, LabConverters* conv) {
  cmsToneCurve* identity = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[4] = {identity, identity, identity, identity};
  cmsStage* inCurves = cmsStageAllocToneCurves(nullptr, inputs, curves);
  cmsStage* outCurves = cmsStageAllocToneCurves(nullptr, outputs, curves);
  cmsFreeToneCurve(identity);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, inputs == 4 ? 9 : 17, inputs, outputs, nullptr);
  cmsPipeline* lut = cmsPipelineAlloc(nullptr, inputs, outputs);
  const bool sampled = clut && cmsStageSampleCLut16bit(clut, sampler, conv, 0);
  if (!inCurves || !outCurves || !sampled || !lut) {
    for (cmsStage* s : {inCurves, clut, outCurves})
      if (s) cmsStageFree(s);
    if (lut) cmsPipelineFree(lut);
    return nullptr;
  }
  // The pipeline owns every stage inserted into it.
  cmsPipelineInsertStage(lut, cmsAT_END, inCurves);
  cmsPipelineInsertStage(lut, cmsAT_END, clut);
  cmsPipelineInsertStage(lut, cmsAT_END, outCurves);
  return lut;
}

void SetDescription(cmsHPROFILE h, const char* text) {
  cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(mlu, "en", "US", text);
  cmsWriteTag(h, cmsSigProfileDescriptionTag, mlu);
  cmsWriteTag(h, cmsSigCopyrightTag, mlu);
  cmsMLUfree(mlu);
}

cmsHPROFILE MakeMatrixShaper() {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE primaries = {{0.660, 0.320, 1.0}, {0.290, 0.610, 1.0}, {0.150, 0.070, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE h = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(gamma);
  if (!h) return nullptr;
  cmsSetDeviceClass(h, cmsSigOutputClass);
  cmsSetHeaderRenderingIntent(h, INTENT_RELATIVE_COLORIMETRIC);
  SetDescription(h, "KV-71P test printer profile (matrix/shaper)");
  return h;
}

cmsHPROFILE MakeLut(bool cmyk) {
  LabConverters conv;
  if (!conv.toRgb || !conv.toLab) return nullptr;
  cmsHPROFILE h = cmsCreateProfilePlaceholder(nullptr);
  if (!h) return nullptr;
  cmsSetProfileVersion(h, 4.3);
  cmsSetDeviceClass(h, cmsSigOutputClass);
  cmsSetColorSpace(h, cmyk ? cmsSigCmykData : cmsSigRgbData);
  cmsSetPCS(h, cmsSigLabData);
  cmsSetHeaderRenderingIntent(h, INTENT_PERCEPTUAL);
  SetDescription(h, cmyk ? "KV-71P test CMYK profile" : "KV-71P test printer profile (LUT)");
  cmsWriteTag(h, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  const int channels = cmyk ? 4 : 3;
  cmsPipeline* toDevice = LutPipeline(3, channels, cmyk ? SampleLabToCmyk : SampleLabToRgb, &conv);
  cmsPipeline* toPcs = LutPipeline(channels, 3, cmyk ? SampleCmykToLab : SampleRgbToLab, &conv);
  bool ok = toDevice && toPcs;
  for (cmsTagSignature tag : {cmsSigBToA0Tag, cmsSigBToA1Tag, cmsSigBToA2Tag})
    ok = ok && cmsWriteTag(h, tag, toDevice);
  for (cmsTagSignature tag : {cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag})
    ok = ok && cmsWriteTag(h, tag, toPcs);
  if (toDevice) cmsPipelineFree(toDevice);
  if (toPcs) cmsPipelineFree(toPcs);
  if (!ok) {
    cmsCloseProfile(h);
    return nullptr;
  }
  return h;
}

}  // namespace

bool WriteTestProfile(TestProfileKind kind, const std::string& path) {
  cmsHPROFILE h = nullptr;
  switch (kind) {
    case TestProfileKind::MatrixShaperRgb: h = MakeMatrixShaper(); break;
    case TestProfileKind::LutRgb: h = MakeLut(false); break;
    case TestProfileKind::LutCmyk: h = MakeLut(true); break;
  }
  if (!h) return false;
  const bool saved = cmsSaveProfileToFile(h, path.c_str());
  cmsCloseProfile(h);
  return saved;
}

bool ParseTestProfileKind(const std::string& name, TestProfileKind* kind) {
  if (name == "matrix") *kind = TestProfileKind::MatrixShaperRgb;
  else if (name == "lut") *kind = TestProfileKind::LutRgb;
  else if (name == "cmyk") *kind = TestProfileKind::LutCmyk;
  else return false;
  return true;
}

}  // namespace kv71p
