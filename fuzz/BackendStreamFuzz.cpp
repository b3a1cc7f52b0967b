// Fuzz target: the backend's stream reader (delivery/PrintReader.h) reading
// arbitrary bytes from a file descriptor. Every print it hands out is whole:
// numbered in order, blocks in stream order, exactly one START and that the
// last block, no more bytes than were read; a failure says where and why.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "delivery/PrintReader.h"
#include "fuzz/FuzzSupport.h"

using kv71p::fuzz::Require;
using namespace kv71p::delivery;

namespace {

bool IsStart(const std::vector<unsigned char>& block) {
  static const char kStart[] = "\x1bPCNTRL START           ";  // ESC P, name, parameter
  return block.size() >= 24 && std::memcmp(block.data(), kStart, 24) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("stream", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return 0;
  }
  lseek(fd, 0, SEEK_SET);
  PrintReader reader(fd, 1, nullptr);
  Print print;
  int number = 1;
  uint64_t bytes = 0, lastOffset = 0;
  ReadOutcome outcome;
  while ((outcome = reader.Next(&print)) == ReadOutcome::Print) {
    Require(print.number == number++, "prints out of order");
    Require(number == 2 || print.offset > lastOffset, "print offsets not rising");
    Require(!print.blocks.empty() && IsStart(print.blocks.back()), "a print without its START");
    for (size_t i = 0; i + 1 < print.blocks.size(); ++i)
      Require(!IsStart(print.blocks[i]), "a START inside a print");
    lastOffset = print.offset;
    bytes += print.ByteCount();
  }
  Require(bytes <= size, "more bytes in prints than in the stream");
  Require(outcome != ReadOutcome::Failed || !reader.error().empty(), "a failure without its reason");
  Require(outcome != ReadOutcome::Cancelled, "cancelled without a cancel request");
  close(fd);
  return 0;
}
