#include "tools/decoder/BlockCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/decoder/BlockText.h"

namespace kv71p {

namespace {

// Layout of the BMP part of a plane command, as offsets in the block.
enum : size_t {
  kBmpMagic = 32,
  kBmpFileSize = 34,
  kBmpReserved = 38,
  kBmpDataOffset = 42,
  kBmpInfoSize = 46,
  kBmpWidth = 50,
  kBmpHeight = 54,
  kBmpPlanes = 58,
  kBmpBitCount = 60,
  kBmpCompression = 62,
  kBmpImageSize = 66,
  kBmpXPelsPerMetre = 70,
  kBmpYPelsPerMetre = 74,
  kBmpColoursUsed = 78,
  kBmpColoursImportant = 82,
  kBmpPalette = 86,
  kBmpPadding = 1110,
};

std::string Hex(unsigned char c) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", c);
  return text;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Number of leading bytes of `field` (n bytes) that agree with `text`
// padded with spaces (null text: all spaces).
size_t PaddedPrefix(const unsigned char* field, size_t n, const char* text) {
  const size_t length = text ? std::strlen(text) : 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char want = i < length ? static_cast<unsigned char>(text[i]) : ' ';
    if (field[i] != want) return i;
  }
  return n;
}

uint32_t ReadLE(const unsigned char* p, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

class Checker {
 public:
  Checker(const unsigned char* block, size_t available, uint64_t blockOffset, StreamError* error)
      : b_(block), avail_(std::min<size_t>(available, kPlanePixelOffset)),
        blockOffset_(blockOffset), error_(error) {}

  bool Run();

 private:
  bool Fail(size_t at, const std::string& message) {
    if (error_ != nullptr) {
      error_->offset = blockOffset_ + at;
      error_->message = message;
    }
    return false;
  }
  // Bytes of [at, at + size) that have arrived.
  size_t Have(size_t at, size_t size) const {
    return avail_ <= at ? 0 : std::min(size, avail_ - at);
  }
  bool Complete(size_t at, size_t size) const { return Have(at, size) == size; }

  bool CheckName();
  bool CheckParameter();
  bool CheckLengthField();
  bool CheckFixedData(int size);
  bool CheckPlane();
  bool ExpectLE(size_t at, int size, uint32_t value, const char* field);
  std::string What() const { return BlockTitle(b_); }

  const unsigned char* b_;
  size_t avail_;
  uint64_t blockOffset_;
  StreamError* error_;
  const CatalogueEntry* entry_ = nullptr;
  uint32_t dataLength_ = 0;
};

bool Checker::Run() {
  if (avail_ > 0 && b_[0] != 0x1B)
    return Fail(0, "expected ESC (0x1b) at the start of a command block, found " + Hex(b_[0]));
  if (avail_ > 1 && b_[1] != 'P')
    return Fail(1, "expected 'P' (0x50) after ESC, found " + Hex(b_[1]));
  if (!CheckName() || !CheckParameter()) return false;
  if (avail_ < static_cast<size_t>(kCmdLengthOffset)) return true;
  entry_ = FindCatalogueEntry(b_);
  if (entry_ == nullptr) return Fail(kCmdNameOffset, "unknown command block");
  if (!CheckLengthField()) return false;
  switch (entry_->data) {
    case CmdData::None:
      return true;
    case CmdData::Number8:
      return CheckFixedData(8);
    case CmdData::Decurl12:
      return CheckFixedData(12);
    case CmdData::SysTime16:
      return CheckFixedData(16);
    case CmdData::BmpPlane:
      return CheckPlane();
  }
  return true;
}

bool Checker::CheckName() {
  const size_t n = Have(kCmdNameOffset, kCmdNameSize);
  if (n == 0) return true;
  size_t best = 0;
  for (size_t i = 0; i < kCommandCatalogueSize; ++i)
    best = std::max(best, PaddedPrefix(b_ + kCmdNameOffset, n, kCommandCatalogue[i].command));
  if (best < n)
    return Fail(kCmdNameOffset + best,
                "unknown command name \"" + FieldText(b_ + kCmdNameOffset, n) + "\"");
  return true;
}

bool Checker::CheckParameter() {
  const size_t n = Have(kCmdParamOffset, kCmdParamSize);
  if (n == 0) return true;
  size_t best = 0;
  for (size_t i = 0; i < kCommandCatalogueSize; ++i) {
    const CatalogueEntry& e = kCommandCatalogue[i];
    if (PaddedPrefix(b_ + kCmdNameOffset, kCmdNameSize, e.command) == kCmdNameSize)
      best = std::max(best, PaddedPrefix(b_ + kCmdParamOffset, n, e.parameter));
  }
  if (best < n)
    return Fail(kCmdParamOffset + best,
                "unknown parameter \"" + FieldText(b_ + kCmdParamOffset, n) + "\" for command " +
                    FieldText(b_ + kCmdNameOffset, kCmdNameSize));
  return true;
}

bool Checker::CheckLengthField() {
  const size_t n = Have(kCmdLengthOffset, kCmdLengthSize);
  const unsigned char* f = b_ + kCmdLengthOffset;
  for (size_t i = 0; i < n; ++i) {
    if (entry_->data == CmdData::None) {
      if (f[i] != ' ')
        return Fail(kCmdLengthOffset + i,
                    What() + " carries no data: its length field must be blank, found " + Hex(f[i]));
    } else if (i == 0 && f[i] == ' ') {
      return Fail(kCmdLengthOffset, What() + " needs data, but its length field is blank");
    } else if (!IsDigit(f[i])) {
      return Fail(kCmdLengthOffset + i, "data length field: non-digit " + Hex(f[i]));
    }
  }
  if (n == kCmdLengthSize && entry_->data != CmdData::None) {
    dataLength_ = 0;
    for (int i = 0; i < kCmdLengthSize; ++i) dataLength_ = dataLength_ * 10 + (f[i] - '0');
  }
  return true;
}

bool Checker::CheckFixedData(int size) {
  char expected[16];
  std::snprintf(expected, sizeof expected, "%08d", size);
  const size_t n = Have(kCmdLengthOffset, kCmdLengthSize);
  for (size_t i = 0; i < n; ++i)
    if (b_[kCmdLengthOffset + i] != static_cast<unsigned char>(expected[i]))
      return Fail(kCmdLengthOffset + i, What() + " carries " + std::to_string(size) +
                                            " data bytes: the length field must read " + expected);
  const unsigned char* d = b_ + kCmdHeaderSize;
  const size_t have = Have(kCmdHeaderSize, static_cast<size_t>(size));
  for (size_t i = 0; i < have; ++i) {
    const size_t at = kCmdHeaderSize + i;
    const unsigned char c = d[i];
    switch (entry_->data) {
      case CmdData::Number8:
        if (!IsDigit(c) && !(i == 0 && c == '-'))
          return Fail(at, What() + " data: expected a decimal digit, found " + Hex(c));
        break;
      case CmdData::Decurl12:
        if (i < 2 ? !IsDigit(c) : c != '0')
          return Fail(at, What() + " data: expected " + (i < 2 ? "a decimal digit" : "'0'") +
                              ", found " + Hex(c));
        break;
      case CmdData::SysTime16:
        if (i < 14 && !IsDigit(c))
          return Fail(at, What() + " data: expected a decimal digit, found " + Hex(c));
        if (i == 14 && c != 0x0D)
          return Fail(at, What() + " data: expected 0x0d after the time, found " + Hex(c));
        if (i == 15 && c != 0x00)
          return Fail(at, What() + " data: expected 0x00 at the end, found " + Hex(c));
        break;
      default:
        break;
    }
  }
  return true;
}

bool Checker::ExpectLE(size_t at, int size, uint32_t value, const char* field) {
  const size_t n = Have(at, static_cast<size_t>(size));
  for (size_t i = 0; i < n; ++i) {
    if (b_[at + i] != static_cast<unsigned char>((value >> (8 * i)) & 0xFF)) {
      std::string message = std::string(field) + ": expected " + std::to_string(value);
      if (Complete(at, static_cast<size_t>(size)))
        message += ", found " + std::to_string(ReadLE(b_ + at, size));
      return Fail(at + i, message);
    }
  }
  return true;
}

bool Checker::CheckPlane() {
  if (!Complete(kCmdLengthOffset, kCmdLengthSize)) return true;
  const uint32_t minimum = kBmpPartSize + kPlaneWidth;
  if (dataLength_ < minimum)
    return Fail(kCmdLengthOffset, What() + " data length " + std::to_string(dataLength_) +
                                      " is shorter than the BMP part and one " +
                                      std::to_string(kPlaneWidth) + "-byte row");
  const uint32_t pixelBytes = dataLength_ - kBmpPartSize;
  const char* magic = "BM";
  for (size_t i = 0; i < Have(kBmpMagic, 2); ++i)
    if (b_[kBmpMagic + i] != static_cast<unsigned char>(magic[i]))
      return Fail(kBmpMagic + i, "BMP signature: expected \"BM\", found " + Hex(b_[kBmpMagic + i]));
  if (!ExpectLE(kBmpFileSize, 4, dataLength_, "BMP file size") ||
      !ExpectLE(kBmpReserved, 4, 0, "BMP reserved field") ||
      !ExpectLE(kBmpDataOffset, 4, kBmpPartSize, "BMP pixel data offset") ||
      !ExpectLE(kBmpInfoSize, 4, 40, "BMP information header size") ||
      !ExpectLE(kBmpWidth, 4, kPlaneWidth, "BMP width"))
    return false;
  if (pixelBytes % kPlaneWidth != 0 && Have(kBmpHeight, 4) > 0)
    return Fail(kBmpHeight, "BMP height: the " + std::to_string(pixelBytes) +
                                " pixel bytes are not a whole number of " +
                                std::to_string(kPlaneWidth) + "-byte rows");
  if (!ExpectLE(kBmpHeight, 4, pixelBytes / kPlaneWidth, "BMP height") ||
      !ExpectLE(kBmpPlanes, 2, 1, "BMP planes") || !ExpectLE(kBmpBitCount, 2, 8, "BMP bits per pixel") ||
      !ExpectLE(kBmpCompression, 4, 0, "BMP compression") ||
      !ExpectLE(kBmpImageSize, 4, pixelBytes, "BMP image size") ||
      !ExpectLE(kBmpXPelsPerMetre, 4, kPixelsPerMetre300, "BMP horizontal pixels per metre"))
    return false;
  // Vertical resolution: 300 or 600 dpi. Report against the value the
  // bytes agree with longest.
  StreamError e300, e600;
  StreamError* saved = error_;
  error_ = &e300;
  const bool ok300 = ExpectLE(kBmpYPelsPerMetre, 4, kPixelsPerMetre300, "");
  error_ = &e600;
  const bool ok600 = ExpectLE(kBmpYPelsPerMetre, 4, kPixelsPerMetre600, "");
  error_ = saved;
  if (!ok300 && !ok600) {
    std::string message = "BMP vertical pixels per metre: expected " +
                          std::to_string(kPixelsPerMetre300) + " (300 dpi) or " +
                          std::to_string(kPixelsPerMetre600) + " (600 dpi)";
    if (Complete(kBmpYPelsPerMetre, 4))
      message += ", found " + std::to_string(ReadLE(b_ + kBmpYPelsPerMetre, 4));
    return Fail(std::max(e300.offset, e600.offset) - blockOffset_, message);
  }
  if (!ExpectLE(kBmpColoursUsed, 4, 256, "BMP colours used") ||
      !ExpectLE(kBmpColoursImportant, 4, 256, "BMP important colours"))
    return false;
  const size_t paletteBytes = Have(kBmpPalette, 1024);
  for (size_t i = 0; i < paletteBytes; ++i) {
    const unsigned entry = static_cast<unsigned>(i / 4);
    const unsigned char want = (i % 4 == 3) ? 0 : static_cast<unsigned char>(entry);
    if (b_[kBmpPalette + i] != want)
      return Fail(kBmpPalette + i, "grey palette entry " + std::to_string(entry) + ": expected " +
                                       std::to_string(entry) + "," + std::to_string(entry) + "," +
                                       std::to_string(entry) + ",0, found " +
                                       Hex(b_[kBmpPalette + i]) + " in byte " +
                                       std::to_string(i % 4));
  }
  for (size_t i = 0; i < Have(kBmpPadding, 10); ++i)
    if (b_[kBmpPadding + i] != 0)
      return Fail(kBmpPadding + i,
                  "padding behind the palette: expected 0, found " + Hex(b_[kBmpPadding + i]));
  return true;
}

}  // namespace

bool CheckBlockPrefix(const unsigned char* block, size_t available, uint64_t blockOffset,
                      StreamError* error) {
  return Checker(block, available, blockOffset, error).Run();
}

size_t BlockSize(const unsigned char* header) {
  const unsigned char* f = header + kCmdLengthOffset;
  if (f[0] == ' ') return kCmdHeaderSize;
  size_t n = 0;
  for (int i = 0; i < kCmdLengthSize; ++i) n = n * 10 + static_cast<size_t>(f[i] - '0');
  return kCmdHeaderSize + n;
}

}  // namespace kv71p
