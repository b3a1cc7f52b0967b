#include "fuzz/FilterJobInput.h"

#include <cups/raster.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "filter/RasterPage.h"
#include "fuzz/FuzzSupport.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

namespace kv71p::fuzz {

namespace {

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

}  // namespace

void InitFilterRun(const char* name, const char* ppdFile) {
  gFolder = MakeRunFolder(name);
  setenv("KV71P_CACHE_DIR", gFolder.c_str(), 1);
  setenv("PPD", ppdFile, 1);
  gProfile = gFolder + "/printer.icc";
  if (!WriteTestProfile(TestProfileKind::LutRgb, gProfile)) Fail("cannot write the printer profile");
}

FilterJobInput SplitFilterJobInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  FilterJobInput input;
  input.options = in.Until('\0');
  for (size_t at; (at = input.options.find("@ICC@")) != std::string::npos;)
    input.options.replace(at, 5, gProfile);
  input.jobFile = in.Until('\0');
  input.raster = in.Rest();
  return input;
}

int RunFilterJobOn(FilterJobInput& job, int outputFd, filter::ModelMaker makeModel) {
  const std::string jobFilePath = gFolder + "/Print_1.log";
  if (!WriteFileBytes(jobFilePath, job.jobFile)) Fail("job file");
  const int input = MemoryFile("raster", job.raster);
  char arg0[] = "rastertokv71p", arg1[] = "1", arg2[] = "fuzz", arg3[] = "title", arg4[] = "1";
  char* argv[] = {arg0, arg1, arg2, arg3, arg4, job.options.data(), nullptr};
  const filter::JobFileWait noWait{1, 0};
  const int status = filter::RunFilterJob(6, argv, input, outputFd, noWait, makeModel);
  close(input);
  unlink(jobFilePath.c_str());
  return status;
}

bool WithinRunBounds(const std::string& raster, const RunBounds& bounds) {
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
    if (++pages > bounds.maxPages || pageBytes > bounds.maxPageBytes) ok = false;
    if (filter::PageLayout(h.cupsWidth, h.cupsHeight, &stride, &size)) {
      photos += h.NumCopies;
      if (h.cupsWidth > bounds.maxSide || h.cupsHeight > bounds.maxSide || photos > bounds.maxPhotos)
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

int MemoryFile(const char* name, const std::string& bytes) {
  const int fd = memfd_create(name, MFD_CLOEXEC);
  if (fd < 0) Fail("memfd_create");
  if (!bytes.empty() && write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    Fail("memfd write");
  lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace kv71p::fuzz
