// Fuzz target: the filter's whole job in-process (RunFilterJob) on
// arbitrary raster bytes with arbitrary job options and an arbitrary
// per-job file, with the queue's real PPD. The command stream it writes is
// decoded as it comes: it must always consist of whole, well-formed blocks.
//
// Input: options text, NUL, per-job file text, NUL, raster bytes. The
// text "@ICC@" in the options stands for the path of a printer profile
// (a LUT profile the target writes at start), so colour matching is
// reached as well.
//
// Each run is kept short by choosing inputs, never by loosening the
// filter: inputs past kBounds (pages over 512 pixels a side or 8 MB, more
// than four pages or four photos in all) are left out (libFuzzer is told
// so) before the job runs. Pages the filter refuses (over its own bounds)
// are kept: it skips them.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "fuzz/FilterJobInput.h"
#include "fuzz/FuzzSupport.h"
#include "tools/decoder/StreamDecoder.h"

using namespace kv71p;
using namespace kv71p::filter;

using kv71p::fuzz::Require;

namespace {

constexpr kv71p::fuzz::RunBounds kBounds{512, 4, 4, 8u << 20, 64u << 10};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kv71p::fuzz::InitFilterRun("filter", KV71P_FUZZ_PPD_FILE, kv71p::fuzz::PpdUse::OpenedByTheFilter);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv71p::fuzz::FilterJobInput job = kv71p::fuzz::SplitFilterJobInput(data, size);
  if (!kv71p::fuzz::WithinRunBounds(job.raster, kBounds)) return -1;

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) kv71p::fuzz::Fail("pipe");

  // The stream is checked block by block while the job writes it.
  kv71p::StreamDecoder decoder([](kv71p::StreamBlock&&) {});
  std::thread reader([&] {
    static unsigned char buffer[1 << 16];
    for (;;) {
      const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      decoder.Feed(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
  });
  const int status = kv71p::fuzz::RunFilterJobOn(job, pipeFds[1]);
  close(pipeFds[1]);
  reader.join();

  Require(status == 0, "the job failed with a working output");
  Require(!decoder.failed(), "the stream holds a malformed block");
  Require(decoder.Finish() == 0, "the stream ends inside a block");
  return 0;
}
