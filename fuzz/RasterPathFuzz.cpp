// Fuzz target: the raster path at speed. The filter's whole job in-process
// (RunFilterJob: options and the queue's real PPD, the per-job file, the
// raster reader, the colour pipeline, the layout and the page buffer) on
// arbitrary raster bytes, options and per-job file, composed for a KV-71P
// whose media are 24 times smaller: every row of its media table keeps its
// layout (photos, margins, gap, cut, multi-photo rows) and its sizes shrink
// through the same resolution arithmetic the filter applies, so a photo is
// about a hundred dots across instead of 2448 (placed on the printer's
// full-width planes) and a run takes milliseconds. The command stream is checked by the decoder after every
// run: a malformed stream is a finding, as a crash is.
//
// Input, as for fuzz_filter_job (its seeds serve here too): options text,
// NUL, per-job file text, NUL, raster bytes; "@ICC@" in the options stands
// for a printer profile (a LUT profile written at start). The page headers
// come from the input and pass the filter's own checks; pages larger than
// kFuzzMaxSide pixels a side or kFuzzMaxPageBytes bytes, and more than
// kFuzzMaxPages pages or kFuzzMaxPhotos photos in all, are left out before
// the job runs (libFuzzer is told so).
#include <cups/raster.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "filter/DeviceEntry_KV71P.h"
#include "filter/FilterJob.h"
#include "filter/RasterPage.h"
#include "fuzz/FuzzSupport.h"
#include "tools/decoder/StreamDecoder.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

using namespace kv71p;
using namespace kv71p::filter;

using kv71p::fuzz::InputReader;
using kv71p::fuzz::Require;

namespace {

constexpr int kShrink = 24;
constexpr unsigned kFuzzMaxSide = 256;
constexpr unsigned kFuzzMaxPages = 4;
constexpr uint64_t kFuzzMaxPhotos = 6;
constexpr uint64_t kFuzzMaxPageBytes = 1u << 20;

// The KV-71P with its media table at 1/kShrink of the size: the rows'
// base resolution goes up by the factor, so the sizes the filter derives
// from them (UpdateMediaInfo) go down by it. The print head keeps its
// width, so every plane still has the printer's 2560 dots a row.
class SmallKV71P : public DeviceEntry_KV71P {
 public:
  using DeviceEntry_KV71P::DeviceEntry_KV71P;
  EntryResult SetMediaInfo(DeviceMediaBufferInfo& record, int64_t mediaCode,
                           double firmware) const override {
    const EntryResult result = DeviceEntry_KV71P::SetMediaInfo(record, mediaCode, firmware);
    if (result != EntryResult::Ok || record.mediaCode == -1) return result;
    record.baseDpi *= kShrink;
    return UpdateMediaInfo(record);
  }
};

std::unique_ptr<DeviceEntry> MakeSmallModel(BlockWriter& output) {
  return std::make_unique<SmallKV71P>(output);
}

std::string gFolder;
std::string gProfile;

struct MemorySource {
  const std::string* bytes;
  size_t pos = 0;
};

ssize_t ReadMemory(void* context, unsigned char* buffer, size_t length) {
  auto* source = static_cast<MemorySource*>(context);
  const size_t n = std::min(length, source->bytes->size() - source->pos);
  std::memcpy(buffer, source->bytes->data() + source->pos, n);
  source->pos += n;
  return static_cast<ssize_t>(n);
}

// True when the raster's pages keep a run short (see above).
bool WithinRunBounds(const std::string& raster) {
  MemorySource source{&raster};
  cups_raster_t* r = cupsRasterOpenIO(ReadMemory, &source, CUPS_RASTER_READ);
  if (r == nullptr) return true;
  bool ok = true;
  unsigned pages = 0;
  uint64_t photos = 0;
  cups_page_header2_t h;
  static unsigned char scratch[65536];
  while (ok && cupsRasterReadHeader2(r, &h) != 0) {
    uint64_t stride = 0, size = 0;
    const uint64_t pageBytes = uint64_t{h.cupsBytesPerLine} * h.cupsHeight;
    if (++pages > kFuzzMaxPages || pageBytes > kFuzzMaxPageBytes) ok = false;
    if (PageLayout(h.cupsWidth, h.cupsHeight, &stride, &size)) {
      photos += h.NumCopies;
      if (h.cupsWidth > kFuzzMaxSide || h.cupsHeight > kFuzzMaxSide || photos > kFuzzMaxPhotos)
        ok = false;
    }
    for (uint64_t left = pageBytes; ok && left > 0;) {
      const unsigned piece = left < sizeof scratch ? static_cast<unsigned>(left) : sizeof scratch;
      if (cupsRasterReadPixels(r, scratch, piece) != piece) break;
      left -= piece;
    }
  }
  cupsRasterClose(r);
  return ok;
}

// A file in memory holding `bytes`, read from its start.
int MemoryFile(const char* name, const std::string& bytes) {
  const int fd = memfd_create(name, MFD_CLOEXEC);
  if (fd < 0) kv71p::fuzz::Fail("memfd_create");
  if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    kv71p::fuzz::Fail("memfd write");
  lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFolder = kv71p::fuzz::MakeRunFolder("raster-path");
  setenv("KV71P_CACHE_DIR", gFolder.c_str(), 1);
  setenv("PPD", KV71P_FUZZ_PPD_FILE, 1);
  gProfile = gFolder + "/printer.icc";
  if (!kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, gProfile))
    kv71p::fuzz::Fail("cannot write the printer profile");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  std::string options = in.Until('\0');
  for (size_t at; (at = options.find("@ICC@")) != std::string::npos;)
    options.replace(at, 5, gProfile);
  const std::string jobFile = in.Until('\0');
  const std::string raster = in.Rest();
  if (!WithinRunBounds(raster)) return -1;

  const std::string jobFilePath = gFolder + "/Print_1.log";
  if (!kv71p::fuzz::WriteFileBytes(jobFilePath, jobFile)) kv71p::fuzz::Fail("job file");

  // The stream goes to a file in memory and is decoded once the job is
  // done: no reader thread per run.
  const int input = MemoryFile("raster", raster);
  const int output = MemoryFile("stream", "");
  char arg0[] = "rastertokv71p", arg1[] = "1", arg2[] = "fuzz", arg3[] = "title", arg4[] = "1";
  char* argv[] = {arg0, arg1, arg2, arg3, arg4, options.data(), nullptr};
  const JobFileWait noWait{1, 0};
  const int status = RunFilterJob(6, argv, input, output, noWait, MakeSmallModel);
  close(input);
  unlink(jobFilePath.c_str());

  kv71p::StreamDecoder decoder([](kv71p::StreamBlock&&) {});
  lseek(output, 0, SEEK_SET);
  static unsigned char buffer[1 << 16];
  for (ssize_t n; (n = read(output, buffer, sizeof buffer)) > 0;) decoder.Feed(buffer, static_cast<size_t>(n));
  close(output);

  Require(status == 0, "the job failed with a working output");
  if (decoder.failed())
    std::fprintf(stderr, "at byte %llu: %s\n", static_cast<unsigned long long>(decoder.error().offset),
                 decoder.error().message.c_str());
  Require(!decoder.failed(), "the stream holds a malformed block");
  Require(decoder.Finish() == 0, "the stream ends inside a block");
  return 0;
}
