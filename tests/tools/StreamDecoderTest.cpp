// The decoder reads back every block the suite builds and pinpoints the
// first malformed byte of broken streams.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "BlockText.h"
#include "CommandCatalogue.h"
#include "DeviceCmd.h"
#include "HandMadePlane.h"
#include "PrintAssembler.h"
#include "StreamDecoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Block(int made, const DeviceCmd& cmd) {
  EXPECT_EQ(made, 0);
  return Bytes(cmd.buffer, cmd.buffer + cmd.length);
}

// One block of every kind the suite can build, in catalogue order, with
// the listing line the decoder prints for it (from the name on).
struct Built {
  Bytes bytes;
  std::string listing;
};

std::vector<Built> EveryBlock() {
  std::vector<Built> all;
  DeviceCmd cmd;
  struct tm t = {};
  t.tm_year = 125, t.tm_mon = 0, t.tm_mday = 2, t.tm_hour = 3, t.tm_min = 4, t.tm_sec = 5;
  all.push_back({Block(MakeSysTimeCmd(cmd, t), cmd), "\"20250102030405\\x0d\\x00\""});
  all.push_back({Block(MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, 120), cmd), "\"00000120\""});
  all.push_back({Block(MakeNumberCmd(cmd, kCmdCntrl, kParamOvercoat, 22), cmd), "\"00000022\""});
  all.push_back({Block(MakeNumberCmd(cmd, kCmdCntrl, kParamBuffCntrl, 1), cmd), "\"00000001\""});
  all.push_back({Block(MakeNumberCmd(cmd, kCmdCntrl, kParamPrintSpeed, 30), cmd), "\"00000030\""});
  for (int mode = 0; mode <= 2; ++mode)
    all.push_back({Block(MakeDecurlCmd(cmd, mode), cmd),
                   "\"0" + std::to_string(mode) + "0000000000\""});
  all.push_back({Block(MakeNumberCmd(cmd, kCmdImage, kParamMultiCut, 408), cmd), "\"00000408\""});
  all.push_back({handmade::PlainPlane("YPLANE", 3), "BMP 2560x3, 8-bit grey, 300x300 dpi"});
  all.push_back({handmade::PlaneCommand("MPLANE", 1, 600, [](int, int) { return 9; }),
                 "BMP 2560x1, 8-bit grey, 300x600 dpi"});
  all.push_back({handmade::PlainPlane("CPLANE"), "BMP 2560x2, 8-bit grey, 300x300 dpi"});
  all.push_back({Block(MakeStartCmd(cmd), cmd), "-"});
  for (size_t i = 0; i < kCommandCatalogueSize; ++i)
    if (kCommandCatalogue[i].query)
      all.push_back({Block(MakeQueryCmd(cmd, kCommandCatalogue[i].command,
                                        kCommandCatalogue[i].parameter),
                           cmd),
                     "-"});
  return all;
}

struct Decoded {
  int result = 0;
  kv71p::StreamError error;
  std::vector<kv71p::StreamBlock> blocks;
};

// Decodes `stream`, fed in pieces of `chunk` bytes (0: all at once).
Decoded Decode(const Bytes& stream, size_t chunk = 0) {
  Decoded d;
  kv71p::StreamDecoder decoder([&d](kv71p::StreamBlock&& b) { d.blocks.push_back(std::move(b)); });
  if (chunk == 0) chunk = stream.size() + 1;
  for (size_t at = 0; at < stream.size() && d.result == 0; at += chunk)
    d.result = decoder.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
  if (d.result == 0) d.result = decoder.Finish();
  d.error = decoder.error();
  return d;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(StreamDecoder, ReadsBackEveryBlockTheSuiteBuilds) {
  const std::vector<Built> built = EveryBlock();
  std::vector<Bytes> parts;
  for (const Built& b : built) parts.push_back(b.bytes);
  const Bytes stream = Concat(parts);
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{1000}}) {
    const Decoded d = Decode(stream, chunk);
    ASSERT_EQ(d.result, 0) << d.error.message;
    ASSERT_EQ(d.blocks.size(), built.size());
    size_t offset = 0;
    for (size_t i = 0; i < built.size(); ++i) {
      const kv71p::StreamBlock& b = d.blocks[i];
      EXPECT_EQ(b.offset, offset);
      EXPECT_EQ(b.bytes, built[i].bytes) << i;
      ASSERT_NE(b.entry, nullptr);
      EXPECT_EQ(b.entry, FindCatalogueEntry(built[i].bytes.data()));
      const std::string line = kv71p::DescribeBlock(b);
      EXPECT_NE(line.find(b.name()), std::string::npos) << line;
      EXPECT_EQ(line.substr(line.size() - built[i].listing.size()), built[i].listing) << line;
      offset += built[i].bytes.size();
    }
  }
}

TEST(StreamDecoder, CutAtEveryOffsetNamesTheEndOfTheStream) {
  DeviceCmd cmd;
  const Bytes cutter = Block(MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, 0), cmd);
  const Bytes start = Block(MakeStartCmd(cmd), cmd);
  const Bytes plane = handmade::PlainPlane("YPLANE", 1);
  const Bytes stream = Concat({cutter, plane, start});
  const std::vector<size_t> boundaries = {0, cutter.size(), cutter.size() + plane.size()};
  for (size_t cut = 1; cut < stream.size(); ++cut) {
    const Decoded d = Decode(Bytes(stream.begin(), stream.begin() + cut));
    size_t complete = 0;
    for (size_t b : boundaries) complete += (b > 0 && b <= cut);
    ASSERT_EQ(d.blocks.size(), complete) << cut;
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
  Bytes broken(stream.begin(), stream.begin() + cutter.size() + 100);
  broken[cutter.size() + 50] = 0x90;
  const Decoded d = Decode(broken);
  EXPECT_EQ(d.error.offset, cutter.size() + 50);
  EXPECT_EQ(d.error.message.rfind("BMP width: expected 2560", 0), 0u) << d.error.message;
}

// A valid stream (CUTTER, a plane, START) with one byte changed.
struct Damage {
  const char* what;
  size_t at;            // offset of the changed byte in the stream
  unsigned char value;  // its new value
  const char* message;  // expected start of the error message
  size_t reported = 0;  // offset reported, when not `at`
};

TEST(StreamDecoder, ReportsTheFirstMalformedByte) {
  DeviceCmd cmd;
  const Bytes cutter = Block(MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, 120), cmd);
  const Bytes plane = handmade::PlainPlane("MPLANE", 2);
  const Bytes start = Block(MakeStartCmd(cmd), cmd);
  const Bytes stream = Concat({cutter, plane, start});
  const size_t p = cutter.size();                    // the plane block
  const size_t s = cutter.size() + plane.size();     // the START block
  const Damage cases[] = {
      {"magic", 0, 'X', "expected ESC (0x1b)"},
      {"second magic byte", 1, 'Q', "expected 'P' (0x50)"},
      {"command name", 6, 'X', "unknown command name \"CNTRX\""},
      {"name padding", 7, 'S', "unknown command name \"CNTRLS\""},
      {"parameter", 13, 'X', "unknown parameter \"CUTTEX\" for command CNTRL"},
      {"parameter padding", 23, '.', "unknown parameter"},
      {"length digit", 30, 'x', "data length field: non-digit 0x78"},
      {"length value", 31, '9', "CNTRL CUTTER carries 8 data bytes"},
      {"length blank", 24, ' ', "CNTRL CUTTER needs data, but its length field is blank"},
      {"length sign", 24, '+', "data length field: non-digit 0x2b"},
      {"number data", 35, 'z', "CNTRL CUTTER data: expected a decimal digit"},
      {"plane length", p + 28, '0', "IMAGE MPLANE data length 208 is shorter", p + 24},
      {"BMP signature", p + 33, 'N', "BMP signature"},
      {"file size", p + 35, 0, "BMP file size: expected 6208, found"},
      {"reserved", p + 40, 1, "BMP reserved field"},
      {"pixel offset", p + 42, 0x41, "BMP pixel data offset: expected 1088"},
      {"header size", p + 46, 41, "BMP information header size: expected 40"},
      {"width", p + 50, 0x90, "BMP width: expected 2560"},
      {"height", p + 54, 3, "BMP height: expected 2, found 3"},
      {"negative height", p + 57, 0xFF, "BMP height: expected 2"},
      {"planes", p + 58, 2, "BMP planes: expected 1"},
      {"bits", p + 60, 24, "BMP bits per pixel: expected 8"},
      {"compression", p + 62, 1, "BMP compression: expected 0"},
      {"image size", p + 67, 0, "BMP image size: expected 5120"},
      {"horizontal resolution", p + 71, 0x5D, "BMP horizontal pixels per metre: expected 11811"},
      {"vertical resolution", p + 74, 0x24, "BMP vertical pixels per metre: expected 11811 (300 dpi) or 23622"},
      {"colours used", p + 79, 0, "BMP colours used: expected 256"},
      {"important colours", p + 82, 1, "BMP important colours: expected 256"},
      {"palette entry", p + 86 + 4 * 7 + 1, 8, "grey palette entry 7: expected 7,7,7,0"},
      {"palette fourth byte", p + 86 + 4 * 255 + 3, 0xFF, "grey palette entry 255"},
      {"padding", p + 1115, 1, "padding behind the palette"},
      {"second block name", s + 2, 'c', "unknown command name \"cNTRL\""},
      {"length on START", s + 27, '0', "CNTRL START carries no data: its length field must be blank, found 0x30"},
  };
  for (const Damage& c : cases) {
    Bytes broken = stream;
    broken[c.at] = c.value;
    for (size_t chunk : {size_t{0}, size_t{1}}) {
      const Decoded d = Decode(broken, chunk);
      EXPECT_EQ(d.result, 3) << c.what;
      EXPECT_EQ(d.error.offset, c.reported ? c.reported : c.at) << c.what << ": " << d.error.message;
      EXPECT_EQ(d.error.message.rfind(c.message, 0), 0u) << c.what << ": " << d.error.message;
    }
  }
}

TEST(StreamDecoder, ChecksFixedDataByteByByte) {
  DeviceCmd cmd;
  struct tm t = {};
  t.tm_year = 125, t.tm_mon = 5, t.tm_mday = 6;
  const Bytes time = Block(MakeSysTimeCmd(cmd, t), cmd);
  const Bytes decurl = Block(MakeDecurlCmd(cmd, 2), cmd);
  const struct {
    Bytes block;
    size_t at;
    unsigned char value;
    const char* message;
  } cases[] = {
      {time, 32 + 14, '\n', "CNTRL SET_SYS_TIME data: expected 0x0d after the time"},
      {time, 32 + 15, ' ', "CNTRL SET_SYS_TIME data: expected 0x00 at the end"},
      {time, 32 + 3, 'a', "CNTRL SET_SYS_TIME data: expected a decimal digit"},
      {decurl, 32 + 1, '-', "CNTRL DECURL data: expected a decimal digit"},
      {decurl, 32 + 11, '1', "CNTRL DECURL data: expected '0'"},
  };
  for (const auto& c : cases) {
    Bytes broken = c.block;
    broken[c.at] = c.value;
    const Decoded d = Decode(broken);
    EXPECT_EQ(d.result, 3);
    EXPECT_EQ(d.error.offset, c.at);
    EXPECT_EQ(d.error.message.rfind(c.message, 0), 0u) << d.error.message;
  }
  Bytes start = Block(MakeStartCmd(cmd), cmd);
  std::memcpy(&start[24], "00000000", 8);
  const Decoded d = Decode(start);
  EXPECT_EQ(d.error.offset, 24u);
  EXPECT_EQ(d.error.message.rfind("CNTRL START carries no data", 0), 0u);
  // A negative number is still a number.
  EXPECT_EQ(Decode(Block(MakeNumberCmd(cmd, kCmdCntrl, kParamCutter, -1), cmd)).result, 0);
}

TEST(PrintAssembler, GroupsBlocksFromMulticutToStart) {
  DeviceCmd cmd;
  const Bytes multicut = Block(MakeNumberCmd(cmd, kCmdImage, kParamMultiCut, 13), cmd);
  const Bytes speed = Block(MakeNumberCmd(cmd, kCmdCntrl, kParamPrintSpeed, 10), cmd);
  const Bytes start = Block(MakeStartCmd(cmd), cmd);
  const Bytes y = handmade::PlainPlane("YPLANE"), c = handmade::PlainPlane("CPLANE");
  const Decoded d = Decode(Concat({speed, multicut, y, c, start, multicut, y}));
  ASSERT_EQ(d.result, 0);
  kv71p::PrintAssembler prints;
  std::vector<int> closedAt;
  for (size_t i = 0; i < d.blocks.size(); ++i) {
    kv71p::StreamBlock b = d.blocks[i];
    if (prints.Add(std::move(b))) {
      closedAt.push_back(static_cast<int>(i));
      EXPECT_EQ(prints.print().number, 1);
      EXPECT_EQ(prints.print().multiCut, 13);
      EXPECT_TRUE(prints.print().started);
      EXPECT_TRUE(prints.print().HasPlane(kv71p::kYellowPlane));
      EXPECT_FALSE(prints.print().HasPlane(kv71p::kMagentaPlane));
      EXPECT_EQ(prints.print().planes[kv71p::kCyanPlane].bytes, c);
    }
  }
  EXPECT_EQ(closedAt, std::vector<int>{4});
  ASSERT_TRUE(prints.Finish());
  EXPECT_EQ(prints.print().number, 2);
  EXPECT_FALSE(prints.print().started);
}

}  // namespace
