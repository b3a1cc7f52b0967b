#include "tools/decoder/PrintAssembler.h"

#include "common/TextHelpers.h"

using namespace kv71p;

namespace kv71p {

void PrintAssembler::Open(long multiCut) {
  print_ = StreamPrint();
  print_.number = ++count_;
  print_.multiCut = multiCut;
  open_ = true;
  closed_ = false;
}

bool PrintAssembler::Add(StreamBlock&& block) {
  note_.clear();
  if (block.entry == nullptr) return false;
  if (block.Is(kCmdImage, kParamMultiCut)) {
    std::string text(reinterpret_cast<const char*>(block.data()), block.dataLength());
    if (open_)
      note_ = "print " + std::to_string(print_.number) + " was not started before the next MULTICUT";
    Open(ParseLong(text.c_str()));
    return false;
  }
  int plane = -1;
  if (block.Is(kCmdImage, kParamYPlane)) plane = kYellowPlane;
  if (block.Is(kCmdImage, kParamMPlane)) plane = kMagentaPlane;
  if (block.Is(kCmdImage, kParamCPlane)) plane = kCyanPlane;
  if (plane >= 0) {
    if (!open_) Open(-1);
    if (print_.HasPlane(plane))
      note_ = "print " + std::to_string(print_.number) + " receives " + block.parameter() +
              " again; the later one is kept";
    print_.planes[plane] = std::move(block);
    return false;
  }
  if (block.Is(kCmdCntrl, kParamStart)) {
    if (!open_) Open(-1);
    print_.started = true;
    open_ = false;
    closed_ = true;
    return true;
  }
  return false;
}

bool PrintAssembler::Finish() {
  note_.clear();
  if (!open_) return false;
  open_ = false;
  for (int k = 0; k < 3; ++k)
    if (print_.HasPlane(k)) return true;
  return false;
}

}  // namespace kv71p
