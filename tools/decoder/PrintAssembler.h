// Groups the blocks of a stream into prints: a print opens with "IMAGE"
// "MULTICUT", collects the yellow, magenta and cyan plane commands and is
// closed by "CNTRL" "START".
#pragma once

#include <string>

#include "tools/decoder/StreamBlock.h"

namespace kv71p {

enum PlaneIndex { kYellowPlane = 0, kMagentaPlane = 1, kCyanPlane = 2 };

struct StreamPrint {
  int number = 0;             // 1 for the first print of the stream
  long multiCut = -1;         // the MULTICUT value, -1 when the print had none
  StreamBlock planes[3];      // yellow, magenta, cyan; empty bytes when missing
  bool started = false;       // closed by START (false: the stream ended first)

  bool HasPlane(int k) const { return !planes[k].bytes.empty(); }
};

class PrintAssembler {
 public:
  // Takes the next block. Returns true when it closed a print; print() then
  // holds it until the next call.
  bool Add(StreamBlock&& block);
  // At the end of the stream: true when planes arrived after the last
  // START (print() then holds that unfinished print).
  bool Finish();

  const StreamPrint& print() const { return print_; }
  // A note about the last block (a plane sent twice, a print reopened by
  // MULTICUT before START); empty when there is none.
  const std::string& note() const { return note_; }

 private:
  void Open(long multiCut);

  StreamPrint print_;
  bool open_ = false;
  bool closed_ = false;  // print_ holds a print that was already returned
  int count_ = 0;
  std::string note_;
};

}  // namespace kv71p
