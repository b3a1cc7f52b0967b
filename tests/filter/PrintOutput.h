// The filter's output read back with the stream decoder: every command
// block in order, the prints they form, and the pixels of each plane by
// stored row (row 0 is the first stored row, the bottom of the picture).
#pragma once

#include <string>
#include <vector>

#include "tools/decoder/PlaneImage.h"
#include "tools/decoder/PrintAssembler.h"
#include "tools/decoder/StreamDecoder.h"

namespace kv71p::test {

struct PrintOutput {
  bool wellFormed = false;          // well formed, ending between two blocks
  bool endsBetweenBlocks = false;   // the same (the name some tests use)
  std::string error;
  std::vector<std::string> blocks;  // "CNTRL CUTTER 00000000", "IMAGE YPLANE", "CNTRL START"
  std::vector<StreamPrint> prints;  // complete prints (closed by START)

  // Plane k (0 yellow, 1 magenta, 2 cyan) of print p.
  PlaneImage Plane(size_t p, int k) const {
    PlaneImage plane;
    ReadPlaneImage(prints.at(p).planes[k], &plane);
    return plane;
  }
};

inline PrintOutput DecodePrintOutput(const std::string& bytes) {
  PrintOutput out;
  PrintAssembler assembler;
  StreamDecoder decoder([&](StreamBlock&& block) {
    std::string text = block.name() + " " + block.parameter();
    if (block.hasData() && block.entry->data != CmdData::BmpPlane)
      text += " " + std::string(reinterpret_cast<const char*>(block.data()), block.dataLength());
    out.blocks.push_back(text);
    if (assembler.Add(std::move(block))) out.prints.push_back(assembler.print());
  });
  out.wellFormed = out.endsBetweenBlocks =
      decoder.Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == 0 && decoder.Finish() == 0;
  if (!out.wellFormed) out.error = decoder.error().message;
  return out;
}

// The value of pixel x in stored row `row` of a plane.
inline int Stored(const PlaneImage& plane, int x, int row) {
  return plane.pixels[static_cast<size_t>(row) * static_cast<size_t>(plane.stride) + static_cast<size_t>(x)];
}

}  // namespace kv71p::test
