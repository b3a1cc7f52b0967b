// Bitmap records: creation around caller memory, release, pixel copy.
#include <algorithm>
#include <cstring>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLibInternal.h"

using qlx::RowBytes;

extern "C" int IL_CreateBitmap(BITMAPHANDLE* bitmap, int32_t recordSize, int32_t memoryKind,
                               int32_t width, int32_t height, int32_t bitsPerPixel,
                               int32_t colorOrder, unsigned char* palette, int32_t rowOrder,
                               unsigned char* data, uint64_t dataSize) {
  if (bitmap == nullptr) return IL_ERR_INVALID;
  if (recordSize != IL_RECORD_SIZE) return IL_ERR_RECORDSIZE;
  // Negative sizes are refused like zero ones: no later operation could
  // walk such a bitmap safely.
  if (memoryKind != IL_MEMORY_CALLER || width <= 0 || height <= 0) return IL_ERR_INVALID;

  int32_t storedOrder = 0;
  int32_t colors = 0;
  switch (bitsPerPixel) {
    case 1:
    case 16:
    case 32:
      return IL_ERR_INVALID;
    case 8:
      if (colorOrder != 2 || palette == nullptr) return IL_ERR_INVALID;
      storedOrder = 0;
      colors = 256;
      break;
    case 24:
      if (palette != nullptr) return IL_ERR_DEPTH;
      if (colorOrder == 0) {
        storedOrder = 0;
      } else if (colorOrder == 1 || colorOrder == 2) {
        storedOrder = 1;
      } else {
        return IL_ERR_INVALID;
      }
      colors = 0;
      break;
    case 48:
    case 64:
      return IL_ERR_DEEPCOLOR;
    default:
      return IL_ERR_DEPTH;
  }

  if (rowOrder != IL_ROWORDER_BOTTOMUP || data == nullptr) return IL_ERR_INVALID;
  const int64_t stride = RowBytes(width, bitsPerPixel);
  if (stride > INT32_MAX) return IL_ERR_INVALID;
  if (dataSize != static_cast<uint64_t>(stride) * static_cast<uint64_t>(height)) return IL_ERR_INVALID;

  bitmap->MemHandle = nullptr;
  bitmap->Data = data;
  bitmap->Palette = palette;
  bitmap->Width = width;
  bitmap->Height = height;
  bitmap->BitsPerPixel = bitsPerPixel;
  bitmap->BytesPerLine = static_cast<int32_t>(stride);
  bitmap->Colors = colors;
  bitmap->ColorOrder = storedOrder;
  bitmap->RowOrder = IL_ROWORDER_BOTTOMUP;
  bitmap->Size = dataSize;
  return IL_OK;
}

extern "C" void IL_FreeBitmap(BITMAPHANDLE* bitmap) {
  if (bitmap == nullptr) return;
  IL_FreeMemory(bitmap->MemHandle);
  bitmap->MemHandle = nullptr;
  bitmap->Data = nullptr;
  bitmap->Palette = nullptr;
}

extern "C" int IL_CopyBitmapData(BITMAPHANDLE* destination, const BITMAPHANDLE* source) {
  if (destination == nullptr || source == nullptr) return IL_ERR_NOBITMAP;
  if (destination->Data == nullptr || source->Data == nullptr || destination->BitsPerPixel != 24 ||
      source->BitsPerPixel != 24) {
    return IL_ERR_INVALID;
  }

  // Palette bytes, bounded by the smaller of the two palettes.
  if (source->Colors != 0 && destination->Colors != 0 && source->Palette != nullptr &&
      destination->Palette != nullptr) {
    const int32_t entries = std::min(source->Colors, destination->Colors);
    if (entries > 0) std::memmove(destination->Palette, source->Palette, static_cast<size_t>(entries) * 4);
  }

  if (source->Width == destination->Width && source->Height == destination->Height) {
    std::memmove(destination->Data, source->Data, static_cast<size_t>(std::min(source->Size, destination->Size)));
    return IL_OK;
  }

  // Common area, aligned at the top-left corner: the top rows are stored
  // last, so the taller side skips its first stored rows.
  const int32_t rows = std::min(source->Height, destination->Height);
  if (rows <= 0) return IL_OK;
  // Each row copies the padded row of the narrower width. When the
  // destination is the wider one, that padding would land on its pixels
  // beyond the common area, so only the pixel bytes are copied then.
  const int32_t columns = std::min(source->Width, destination->Width);
  const int64_t rowLength = destination->Width > source->Width ? static_cast<int64_t>(columns) * 3
                                                               : RowBytes(columns, 24);
  if (rowLength <= 0) return IL_OK;
  const unsigned char* from = source->Data;
  unsigned char* to = destination->Data;
  if (source->Height > destination->Height) {
    from += static_cast<int64_t>(source->Height - destination->Height) * source->BytesPerLine;
  } else {
    to += static_cast<int64_t>(destination->Height - source->Height) * destination->BytesPerLine;
  }
  for (int32_t row = 0; row < rows; ++row) {
    std::memmove(to, from, static_cast<size_t>(rowLength));
    from += source->BytesPerLine;
    to += destination->BytesPerLine;
  }
  return IL_OK;
}
