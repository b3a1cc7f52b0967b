// Separation of 24-bit bitmaps into three 8-bit planes with identity
// palettes, and merging of three planes back through their palettes.
#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLibInternal.h"

namespace {

void EmptyRecord(BITMAPHANDLE* plane) {
  plane->MemHandle = nullptr;
  plane->Data = nullptr;
  plane->Palette = nullptr;
}

}  // namespace

extern "C" int IL_ColorSeparateBitmap(const BITMAPHANDLE* bitmap, BITMAPHANDLE** planes,
                                      int32_t recordSize, int32_t flags) {
  if (bitmap == nullptr) return IL_ERR_INVALID;
  if (recordSize != IL_RECORD_SIZE) return IL_ERR_RECORDSIZE;
  if (bitmap->Data == nullptr || bitmap->BitsPerPixel != 24 || planes == nullptr ||
      bitmap->ColorOrder > 1 || planes[0] == nullptr || planes[1] == nullptr || flags != 0 ||
      planes[2] == nullptr) {
    return IL_ERR_INVALID;
  }
  const int32_t width = bitmap->Width;
  const int32_t height = bitmap->Height;
  const int64_t planeStride = qlx::RowBytes(width, 8);
  const int64_t planeSize = planeStride * height;
  if (width < 0 || height < 0 || planeStride > INT32_MAX || static_cast<uint64_t>(planeSize) > SIZE_MAX - 1024) {
    return IL_ERR_INVALID;
  }

  for (int k = 0; k < 3; ++k) {
    qlx::LockedBlock block;
    if (!block.Obtain(static_cast<size_t>(planeSize) + 1024)) {
      // Every plane record ends up empty; the planes made so far are released.
      for (int made = 0; made < k; ++made) IL_FreeBitmap(planes[made]);
      for (int rest = k; rest < 3; ++rest) EmptyRecord(planes[rest]);
      return IL_ERR_NOMEM;
    }
    BITMAPHANDLE* plane = planes[k];
    plane->Data = block.data();
    plane->MemHandle = block.Keep();
    plane->Palette = plane->Data + planeSize;
    for (int j = 0; j < 256; ++j) {
      plane->Palette[4 * j] = plane->Palette[4 * j + 1] = plane->Palette[4 * j + 2] =
          static_cast<unsigned char>(j);
      plane->Palette[4 * j + 3] = 0;
    }
    plane->Width = width;
    plane->Height = height;
    plane->BitsPerPixel = 8;
    plane->BytesPerLine = static_cast<int32_t>(planeStride);
    plane->Colors = 256;
    plane->ColorOrder = 0;
    plane->RowOrder = bitmap->RowOrder;
    plane->Size = static_cast<uint64_t>(planeSize);
  }
  if (height == 0 || width == 0) return IL_OK;

  // ColorOrder 1: byte k goes to plane k; ColorOrder 0: bytes reversed.
  unsigned char* out0 = planes[bitmap->ColorOrder == 1 ? 0 : 2]->Data;
  unsigned char* out1 = planes[1]->Data;
  unsigned char* out2 = planes[bitmap->ColorOrder == 1 ? 2 : 0]->Data;
  const int64_t stride = qlx::RowBytes(width, 24);
  for (int32_t row = 0; row < height; ++row) {
    const unsigned char* src = bitmap->Data + row * stride;
    unsigned char* p0 = out0 + row * planeStride;
    unsigned char* p1 = out1 + row * planeStride;
    unsigned char* p2 = out2 + row * planeStride;
    for (int32_t x = 0; x < width; ++x) {
      p0[x] = src[3 * x];
      p1[x] = src[3 * x + 1];
      p2[x] = src[3 * x + 2];
    }
    for (int64_t x = width; x < planeStride; ++x) p0[x] = p1[x] = p2[x] = 0;  // row padding
  }
  return IL_OK;
}

extern "C" int IL_ColorMergeBitmap(BITMAPHANDLE* bitmap, BITMAPHANDLE** planes,
                                   int32_t recordSize, int32_t flags) {
  if (bitmap == nullptr) return IL_ERR_INVALID;
  if (recordSize != IL_RECORD_SIZE) return IL_ERR_RECORDSIZE;
  if (planes == nullptr) return IL_ERR_INVALID;
  for (int k = 0; k < 3; ++k) {
    if (planes[k] == nullptr || planes[k]->Data == nullptr) return IL_ERR_NOBITMAP;
  }
  if (flags != 0) return IL_ERR_INVALID;
  const BITMAPHANDLE& first = *planes[0];
  for (int k = 0; k < 3; ++k) {
    const BITMAPHANDLE& p = *planes[k];
    if (p.Width != first.Width || p.Height != first.Height || p.BitsPerPixel != 8 ||
        p.BytesPerLine != qlx::RowBytes(p.Width, 8) || p.Colors != 256 || p.Palette == nullptr ||
        p.ColorOrder != 0 || p.RowOrder != first.RowOrder ||
        p.Size != static_cast<uint64_t>(static_cast<int64_t>(p.BytesPerLine) * p.Height)) {
      return IL_ERR_INVALID;
    }
  }
  const int32_t width = first.Width;
  const int32_t height = first.Height;
  const int64_t stride = qlx::RowBytes(width, 24);
  if (width < 0 || height < 0 || stride > INT32_MAX) return IL_ERR_INVALID;
  const uint64_t size = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (size > SIZE_MAX) return IL_ERR_NOMEM;

  qlx::LockedBlock block;
  if (!block.Obtain(static_cast<size_t>(size))) return IL_ERR_NOMEM;
  unsigned char* data = block.data();
  bitmap->Data = data;
  bitmap->MemHandle = block.Keep();
  bitmap->Width = width;
  bitmap->Height = height;
  bitmap->BitsPerPixel = 24;
  bitmap->BytesPerLine = static_cast<int32_t>(stride);
  bitmap->ColorOrder = 1;
  bitmap->RowOrder = first.RowOrder;
  bitmap->Size = size;
  if (height == 0 || width == 0) return IL_OK;

  // Byte k of a pixel is byte k of the palette entry its plane-k value picks.
  unsigned char lut[3][256];
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < 256; ++j) lut[k][j] = planes[k]->Palette[4 * j + k];
  }
  const int64_t planeStride = first.BytesPerLine;
  for (int32_t row = 0; row < height; ++row) {
    const unsigned char* p0 = planes[0]->Data + row * planeStride;
    const unsigned char* p1 = planes[1]->Data + row * planeStride;
    const unsigned char* p2 = planes[2]->Data + row * planeStride;
    unsigned char* out = data + row * stride;
    for (int32_t x = 0; x < width; ++x) {
      out[3 * x] = lut[0][p0[x]];
      out[3 * x + 1] = lut[1][p1[x]];
      out[3 * x + 2] = lut[2][p2[x]];
    }
    for (int64_t i = static_cast<int64_t>(width) * 3; i < stride; ++i) out[i] = 0;  // row padding
  }
  return IL_OK;
}
