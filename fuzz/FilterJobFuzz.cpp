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
// filter: inputs whose pages the filter would process at more than
// kFuzzMaxSide pixels a side, with more than kFuzzMaxPhotos photos in all,
// or whose pages hold more than kFuzzMaxPageBytes bytes are left out
// (libFuzzer is told so), before the job runs. Pages the filter refuses
// (over its own bounds) are kept: it skips them.
#include <cups/raster.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

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

constexpr unsigned kFuzzMaxSide = 512;
constexpr unsigned kFuzzMaxPages = 4;
constexpr uint64_t kFuzzMaxPhotos = 4;
constexpr uint64_t kFuzzMaxPageBytes = 8u << 20;

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

int MemoryFile(const std::string& bytes) {
  const int fd = memfd_create("raster", MFD_CLOEXEC);
  if (fd < 0) kv71p::fuzz::Fail("memfd_create");
  if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    kv71p::fuzz::Fail("memfd write");
  lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFolder = kv71p::fuzz::MakeRunFolder("filter");
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

  const int input = MemoryFile(raster);
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

  char arg0[] = "rastertokv71p", arg1[] = "1", arg2[] = "fuzz", arg3[] = "title", arg4[] = "1";
  char* argv[] = {arg0, arg1, arg2, arg3, arg4, options.data(), nullptr};
  const JobFileWait noWait{1, 0};
  const int status = RunFilterJob(6, argv, input, pipeFds[1], noWait);
  close(pipeFds[1]);
  reader.join();
  close(input);
  unlink(jobFilePath.c_str());

  Require(status == 0, "the job failed with a working output");
  Require(!decoder.failed(), "the stream holds a malformed block");
  Require(decoder.Finish() == 0, "the stream ends inside a block");
  return 0;
}
