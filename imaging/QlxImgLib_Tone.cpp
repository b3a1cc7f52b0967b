// Tone curves (gamma, intensity, contrast) for 8-bit planes. Each builds a
// 256-entry table and runs the plane's palette through it; the pixels are
// touched only when the planes are merged again.
#include <cmath>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLibInternal.h"

namespace {

// Checks shared by the three tone operations; `valueOk` is the operation's
// own range check, tested in its place in the order.
int CheckPlane(const BITMAPHANDLE* bitmap, bool valueOk) {
  if (bitmap == nullptr) return IL_ERR_NOIMAGE;
  if (bitmap->Data == nullptr || bitmap->BitsPerPixel != 8 || bitmap->Colors != 256 || !valueOk ||
      bitmap->Palette == nullptr) {
    return IL_ERR_INVALID;
  }
  return IL_OK;
}

unsigned char ClampToByte(int v) {
  if (v >= 256) return 255;
  if (v <= 0) return 0;
  return static_cast<unsigned char>(v);
}

// Runs bytes 0, 1 and 2 of the plane's 256 palette entries through `table`.
void ApplyToPalette(BITMAPHANDLE* plane, const unsigned char* table) {
  unsigned char* entry = plane->Palette;
  for (int32_t i = 0; i < plane->Colors; ++i, entry += 4) {
    entry[2] = table[entry[2]];
    entry[1] = table[entry[1]];
    entry[0] = table[entry[0]];
  }
}

}  // namespace

extern "C" int IL_GammaCorrectBitmap(BITMAPHANDLE* bitmap, int32_t gamma) {
  const int status = CheckPlane(bitmap, gamma != 0);
  if (status != IL_OK) return status;
  // A negative value is taken as unsigned: a huge gamma, an exponent near 0.
  const double exponent = 100.0 / static_cast<double>(static_cast<uint32_t>(gamma));
  unsigned char table[256];
  for (int i = 0; i < 256; ++i) {
    table[i] = ClampToByte(static_cast<int>(std::pow(i / 255.0, exponent) * 255.0 + 0.5));
  }
  ApplyToPalette(bitmap, table);
  return IL_OK;
}

extern "C" int IL_ChangeBitmapIntensity(BITMAPHANDLE* bitmap, int32_t change) {
  const int status = CheckPlane(bitmap, qlx::IsChangeInRange(change));
  if (status != IL_OK) return status;
  double offset = change * 0.2545 + 0.4286;
  offset += change >= 0 ? 0.5 : -0.5;  // the sign of change decides, not of the sum
  const int shift = static_cast<int>(offset);
  unsigned char table[256];
  for (int i = 0; i < 256; ++i) table[i] = ClampToByte(i + shift);
  ApplyToPalette(bitmap, table);
  return IL_OK;
}

extern "C" int IL_ChangeBitmapContrast(BITMAPHANDLE* bitmap, int32_t change) {
  const int status = CheckPlane(bitmap, qlx::IsChangeInRange(change));
  if (status != IL_OK) return status;
  const double factor = std::exp(change * 0.0007);
  unsigned char table[256];
  for (int i = 0; i < 256; ++i) {
    table[i] = ClampToByte(static_cast<int>((i - 64) * factor) + 64);  // pivot on 64
  }
  ApplyToPalette(bitmap, table);
  return IL_OK;
}
