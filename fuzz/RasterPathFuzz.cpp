// Fuzz target: the raster path at speed. The filter's whole job in-process
// (RunFilterJob: options, the per-job file, the raster reader, the colour
// pipeline, the layout and the page buffer) on arbitrary raster bytes,
// options and per-job file, composed for a KV-71P whose media are 24 times
// smaller: every row of its media table keeps its layout (photos, margins,
// gap, cut, multi-photo rows) and its sizes shrink through the same
// resolution arithmetic the filter applies, so a photo is about a hundred
// dots across instead of 2448 (placed on the printer's full-width planes)
// and a run takes about a millisecond (fuzz/SmallModel.h). The queue's PPD is read once and its
// defaults go in front of every job's options (fuzz_filter_job has the
// filter open the PPD itself). The command stream is checked by the
// decoder after every run: a malformed stream is a finding, as a crash is,
// and so is a stream that grows past kMaxStreamBytes.
//
// Input, as for fuzz_filter_job (its seeds serve here too): options text,
// NUL, per-job file text, NUL, raster bytes; "@ICC@" in the options stands
// for a printer profile (a LUT profile written at start). The page headers
// come from the input and pass the filter's own checks; inputs past kBounds
// (pages over 256 pixels a side, lines over 64 KB or pages over 256 KB, more
// than four pages or six photos in all) are left out before the job runs
// (libFuzzer is told so).
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "fuzz/FilterJobInput.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/SmallModel.h"
#include "imaging/QlxImgLib_Vector.h"
#include "tools/decoder/StreamDecoder.h"

using namespace kv71p;
using namespace kv71p::filter;

using kv71p::fuzz::Require;

namespace {

constexpr kv71p::fuzz::RunBounds kBounds{256, 4, 6, 256u << 10, 64u << 10};

// A stream of a few small photos takes a few megabytes; one growing past
// this is a finding (the file in memory would otherwise take the machine's
// memory): the write past it raises SIGXFSZ, which libFuzzer reports with
// the input.
constexpr rlim_t kMaxStreamBytes = rlim_t{256} << 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const rlimit limit{kMaxStreamBytes, kMaxStreamBytes};
  setrlimit(RLIMIT_FSIZE, &limit);
  kv71p::fuzz::InitFilterRun("raster-path", KV71P_FUZZ_PPD_FILE,
                             kv71p::fuzz::PpdUse::DefaultsAsJobOptions);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv71p::fuzz::FilterJobInput job = kv71p::fuzz::SplitFilterJobInput(data, size);
  if (!kv71p::fuzz::WithinRunBounds(job.raster, kBounds)) return -1;
  // Each vector level of the image library (plain loops, SSE2, AVX2 where
  // the machine has them) takes its share of the inputs.
  qlx::SelectVectorLevel(static_cast<int>(size % 3));

  // The stream goes to a file in memory and is decoded once the job is
  // done: no reader thread per run.
  const int output = kv71p::fuzz::MemoryFile("stream", "");
  const int status = kv71p::fuzz::RunFilterJobOn(job, output, kv71p::fuzz::MakeSmallModel);

  Require(lseek(output, 0, SEEK_CUR) < static_cast<off_t>(kMaxStreamBytes),
          "the stream grew past its bound");
  kv71p::StreamDecoder decoder([](kv71p::StreamBlock&&) {});
  lseek(output, 0, SEEK_SET);
  static unsigned char buffer[1 << 16];
  for (ssize_t n; (n = read(output, buffer, sizeof buffer)) > 0;) decoder.Feed(buffer, static_cast<size_t>(n));
  close(output);

  if (decoder.failed())
    std::fprintf(stderr, "at byte %llu: %s\n", static_cast<unsigned long long>(decoder.error().offset),
                 decoder.error().message.c_str());
  Require(status == 0, "the job failed with a working output");
  Require(!decoder.failed(), "the stream holds a malformed block");
  Require(decoder.Finish() == 0, "the stream ends inside a block");
  return 0;
}
