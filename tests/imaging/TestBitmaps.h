// Bitmaps for the image library tests: owned records, 8-bit planes with an
// identity palette, random images, conversion to and from plain images.
#pragma once

#include <cstring>
#include <random>
#include <string>

#include "imaging/QlxImgLib.h"
#include "imaging/QlxImgLib_Vector.h"
#include "tests/support/PlainImaging.h"

// A zero-filled record released on destruction.
struct Bitmap : BITMAPHANDLE {
  Bitmap() { std::memset(static_cast<BITMAPHANDLE*>(this), 0, sizeof(BITMAPHANDLE)); }
  ~Bitmap() { IL_FreeBitmap(this); }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
};

// A 24-bit bitmap that owns a block of IL_AllocMemory holding `image`.
inline bool MakeOwned(Bitmap& bitmap, const plain::Image& image, int colorOrder = 1) {
  void* block = IL_AllocMemory(image.bytes.size());
  if (block == nullptr) return false;
  std::memcpy(block, image.bytes.data(), image.bytes.size());
  if (IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, image.width, image.height, 24, colorOrder,
                      nullptr, IL_ROWORDER_BOTTOMUP, static_cast<unsigned char*>(block),
                      image.bytes.size()) != IL_OK) {
    IL_FreeMemory(block);
    return false;
  }
  bitmap.MemHandle = block;
  return true;
}

// The pixel bytes of a 24-bit bitmap (row padding set to zero).
inline plain::Image PixelsOf(const BITMAPHANDLE& bitmap) {
  plain::Image image(bitmap.Width, bitmap.Height);
  for (int y = 0; y < bitmap.Height; ++y) {
    std::memcpy(image.row(y), bitmap.Data + static_cast<size_t>(y) * bitmap.BytesPerLine,
                static_cast<size_t>(bitmap.Width) * 3);
  }
  return image;
}

// `image` after the library's operation `op` on an owned bitmap of it; an
// empty image when the operation fails.
template <class Operation>
plain::Image Through(const plain::Image& image, Operation op, int colorOrder = 1) {
  Bitmap bitmap;
  if (!MakeOwned(bitmap, image, colorOrder) || op(&bitmap) != IL_OK) return plain::Image();
  return PixelsOf(bitmap);
}

// Random pixel bytes, random padding bytes.
inline plain::Image RandomImage(int width, int height, unsigned seed) {
  plain::Image image(width, height);
  std::mt19937 random(seed);
  for (auto& b : image.bytes) b = static_cast<unsigned char>(random());
  return image;
}

// The size and layout fields of a record, as text.
inline std::string RecordFields(const BITMAPHANDLE& b) {
  return std::to_string(b.Width) + "x" + std::to_string(b.Height) + " bpp " + std::to_string(b.BitsPerPixel) +
         " line " + std::to_string(b.BytesPerLine) + " colors " + std::to_string(b.Colors) + " order " +
         std::to_string(b.ColorOrder) + " rows " + std::to_string(b.RowOrder) + " size " + std::to_string(b.Size);
}

// An 8-bit plane of 3 x 3 pixels over its own memory with an identity
// palette whose unused fourth bytes carry a marker.
struct Plane {
  unsigned char data[12] = {};
  unsigned char palette[1024];
  Bitmap bitmap;
  Plane() {
    for (int j = 0; j < 256; ++j) {
      palette[4 * j] = palette[4 * j + 1] = palette[4 * j + 2] = static_cast<unsigned char>(j);
      palette[4 * j + 3] = 0xEE;
    }
    IL_CreateBitmap(&bitmap, IL_RECORD_SIZE, IL_MEMORY_CALLER, 3, 3, 8, 2, palette, IL_ROWORDER_BOTTOMUP, data, 12);
  }
  int entry(int j, int byte = 0) const { return palette[4 * j + byte]; }
};

// Three plane records released on destruction, and the list the
// separation and merge take.
struct Planes {
  Bitmap p[3];
  BITMAPHANDLE* list[3] = {&p[0], &p[1], &p[2]};
};

// Pixel bytes of two images equal (padding ignored); on failure the first
// differing byte is reported.
inline ::testing::AssertionResult SamePixels(const plain::Image& expected, const plain::Image& actual) {
  if (expected.width != actual.width || expected.height != actual.height) {
    return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << ", expected "
                                         << expected.width << "x" << expected.height;
  }
  for (int y = 0; y < expected.height; ++y) {
    for (int i = 0; i < expected.width * 3; ++i) {
      if (expected.row(y)[i] != actual.row(y)[i]) {
        return ::testing::AssertionFailure() << "row " << y << " byte " << i << ": " << int(actual.row(y)[i])
                                             << ", expected " << int(expected.row(y)[i]);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Runs `check` with every vector level this machine offers (plain loops,
// SSE2, AVX2), then goes back to the best one.
template <class Check>
void AtEveryVectorLevel(Check check) {
  for (int level = qlx::kPlainLoops; level <= qlx::BestVectorLevel(); ++level) {
    SCOPED_TRACE("vector level " + std::to_string(level));
    qlx::SelectVectorLevel(level);
    check();
    if (::testing::Test::HasFatalFailure()) break;
  }
  qlx::SelectVectorLevel(qlx::BestVectorLevel());
}
