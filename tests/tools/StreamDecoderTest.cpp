// The decoder reads back every block the suite builds and pinpoints the
// first malformed byte of broken streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/HandMadeBlocks.h"
#include "tools/decoder/BlockText.h"
#include "tools/decoder/StreamDecoder.h"

namespace {

using handmade::Block;

struct Decoded {
  int result = 0;
  kv71p::StreamError error;
  std::vector<kv71p::StreamBlock> blocks;
};

// Decodes `stream` fed in pieces of `chunk` bytes (0: all at once).
Decoded Decode(const std::string& stream, size_t chunk = 0) {
  Decoded d;
  kv71p::StreamDecoder decoder([&d](kv71p::StreamBlock&& b) { d.blocks.push_back(std::move(b)); });
  const auto* bytes = reinterpret_cast<const unsigned char*>(stream.data());
  if (chunk == 0) chunk = stream.size() + 1;
  for (size_t at = 0; at < stream.size() && d.result == 0; at += chunk)
    d.result = decoder.Feed(bytes + at, std::min(chunk, stream.size() - at));
  if (d.result == 0) d.result = decoder.Finish();
  d.error = decoder.error();
  return d;
}

TEST(StreamDecoder, ReadsBackEveryBlockTheSuiteBuilds) {
  std::vector<std::string> blocks;
  for (const handmade::Built& b : handmade::EveryBuiltBlock()) {
    DeviceCmd cmd;
    ASSERT_EQ(b.build(cmd), 0);
    blocks.emplace_back(reinterpret_cast<const char*>(cmd.buffer), static_cast<size_t>(cmd.length));
  }
  blocks.push_back(handmade::PlainPlane("YPLANE", 3));
  blocks.push_back(handmade::PlaneCommand("MPLANE", 1, 600, [](int, int) { return 9; }));
  std::string stream;
  for (const std::string& b : blocks) stream += b;
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{1000}}) {
    const Decoded d = Decode(stream, chunk);
    ASSERT_EQ(d.result, 0) << d.error.message;
    ASSERT_EQ(d.blocks.size(), blocks.size());
    size_t offset = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
      const kv71p::StreamBlock& b = d.blocks[i];
      EXPECT_EQ(b.offset, offset);
      EXPECT_EQ(std::string(b.bytes.begin(), b.bytes.end()), blocks[i]);
      ASSERT_NE(b.entry, nullptr);
      EXPECT_EQ(b.entry, FindCatalogueEntry(b.bytes.data()));
      offset += blocks[i].size();
    }
  }
  // The listing: offset, name, parameter, data length, then the data
  // quoted, the plane's picture, or nothing.
  const Decoded d = Decode(stream);
  const struct {
    size_t block;
    const char* line;
  } listed[] = {
      {0, "         0  CNTRL  SET_SYS_TIME            16  \"20261206090507\\x0d\\x00\""},
      {10, "       420  CNTRL  START                    -"},
      {21, "      9540  IMAGE  MPLANE                3648  BMP 2560x1, 8-bit grey, 300x600 dpi"},
  };
  for (const auto& l : listed) EXPECT_EQ(l.line, kv71p::DescribeBlock(d.blocks.at(l.block)));
}

TEST(StreamDecoder, CutAtEveryOffsetNamesTheEndOfTheStream) {
  const std::string cutter = Block("CNTRL", "CUTTER", "00000000"), plane = handmade::PlainPlane("YPLANE", 1);
  const std::string stream = cutter + plane + Block("CNTRL", "START");
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    const Decoded d = Decode(stream.substr(0, cut));
    ASSERT_EQ(d.blocks.size(), size_t{cut >= cutter.size()} + size_t{cut >= cutter.size() + plane.size()}) << cut;
    if (cut == cutter.size() || cut == cutter.size() + plane.size()) {
      EXPECT_EQ(d.result, 0) << cut;
      continue;
    }
    ASSERT_EQ(d.result, 3) << cut;
    EXPECT_EQ(d.error.offset, cut);
    EXPECT_EQ(d.error.message.rfind("stream ends inside the ", 0), 0u) << d.error.message;
  }
  EXPECT_EQ(Decode(stream).result, 0);
  // A malformed byte before the cut wins over the missing ones.
  std::string broken = stream.substr(0, cutter.size() + 100);
  broken[cutter.size() + 50] = '\x90';
  const Decoded d = Decode(broken);
  EXPECT_EQ(d.error.offset, cutter.size() + 50);
  EXPECT_EQ(d.error.message.rfind("BMP width: expected 2560", 0), 0u) << d.error.message;
}

TEST(StreamDecoder, ReportsTheFirstMalformedByte) {
  const std::string cutter = Block("CNTRL", "CUTTER", "00000120"), plane = handmade::PlainPlane("MPLANE", 2),
                    start = Block("CNTRL", "START"), time = Block("CNTRL", "SET_SYS_TIME", std::string("20250606000000\r\0", 16));
  const std::string stream = cutter + plane + start + time + Block("CNTRL", "DECURL", "020000000000");
  const size_t p = cutter.size(), s = p + plane.size(), t = s + start.size(), d = t + time.size();
  const struct {
    const char* what;
    size_t at;            // the changed byte
    char value;           // its new value
    const char* message;  // expected start of the error message
    size_t reported;      // offset reported, when not `at`
  } cases[] = {
      {"magic", 0, 'X', "expected ESC (0x1b)", 0}, {"second magic byte", 1, 'Q', "expected 'P' (0x50)", 0},
      {"command name", 6, 'X', "unknown command name \"CNTRX\"", 0},
      {"name padding", 7, 'S', "unknown command name \"CNTRLS\"", 0},
      {"parameter", 13, 'X', "unknown parameter \"CUTTEX\" for command CNTRL", 0},
      {"parameter padding", 23, '.', "unknown parameter", 0},
      {"length digit", 30, 'x', "data length field: non-digit 0x78", 0},
      {"length value", 31, '9', "CNTRL CUTTER carries 8 data bytes", 0},
      {"length blank", 24, ' ', "CNTRL CUTTER needs data, but its length field is blank", 0},
      {"length sign", 24, '+', "data length field: non-digit 0x2b", 0},
      {"number data", 35, 'z', "CNTRL CUTTER data: expected a decimal digit", 0},
      {"plane length", p + 28, '0', "IMAGE MPLANE data length 208 is shorter", p + 24},
      {"BMP signature", p + 33, 'N', "BMP signature", 0},
      {"file size", p + 35, 0, "BMP file size: expected 6208, found", 0},
      {"reserved", p + 40, 1, "BMP reserved field", 0},
      {"pixel offset", p + 42, 0x41, "BMP pixel data offset: expected 1088", 0},
      {"header size", p + 46, 41, "BMP information header size: expected 40", 0},
      {"width", p + 50, '\x90', "BMP width: expected 2560", 0},
      {"height", p + 54, 3, "BMP height: expected 2, found 3", 0},
      {"negative height", p + 57, '\xFF', "BMP height: expected 2", 0},
      {"planes", p + 58, 2, "BMP planes: expected 1", 0}, {"bits", p + 60, 24, "BMP bits per pixel: expected 8", 0},
      {"compression", p + 62, 1, "BMP compression: expected 0", 0},
      {"image size", p + 67, 0, "BMP image size: expected 5120", 0},
      {"horizontal resolution", p + 71, 0x5D, "BMP horizontal pixels per metre: expected 11811", 0},
      {"vertical resolution", p + 74, 0x24, "BMP vertical pixels per metre: expected 11811 (300 dpi) or 23622", 0},
      {"colours used", p + 79, 0, "BMP colours used: expected 256", 0},
      {"important colours", p + 82, 1, "BMP important colours: expected 256", 0},
      {"palette entry", p + 86 + 4 * 7 + 1, 8, "grey palette entry 7: expected 7,7,7,0", 0},
      {"palette fourth byte", p + 86 + 4 * 255 + 3, '\xFF', "grey palette entry 255", 0},
      {"padding", p + 1115, 1, "padding behind the palette", 0},
      {"second block name", s + 2, 'c', "unknown command name \"cNTRL\"", 0},
      {"length on START", s + 27, '0', "CNTRL START carries no data: its length field must be blank, found 0x30", 0},
      {"time digit", t + 35, 'a', "CNTRL SET_SYS_TIME data: expected a decimal digit", 0},
      {"time CR", t + 46, '\n', "CNTRL SET_SYS_TIME data: expected 0x0d after the time", 0},
      {"time NUL", t + 47, ' ', "CNTRL SET_SYS_TIME data: expected 0x00 at the end", 0},
      {"decurl digit", d + 33, '-', "CNTRL DECURL data: expected a decimal digit", 0},
      {"decurl zeros", d + 43, '1', "CNTRL DECURL data: expected '0'", 0},
  };
  for (const auto& c : cases) {
    std::string broken = stream;
    broken[c.at] = c.value;
    for (size_t chunk : {size_t{0}, size_t{1}}) {
      const Decoded r = Decode(broken, chunk);
      EXPECT_EQ(r.result, 3) << c.what;
      EXPECT_EQ(r.error.offset, c.reported ? c.reported : c.at) << c.what << ": " << r.error.message;
      EXPECT_EQ(r.error.message.rfind(c.message, 0), 0u) << c.what << ": " << r.error.message;
    }
  }
  EXPECT_EQ(Decode(Block("CNTRL", "CUTTER", "-0000001")).result, 0) << "a negative number is a number";
}

}  // namespace
