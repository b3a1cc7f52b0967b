#include "fuzz/FilterJobInput.h"

#include <cups/file.h>
#include <cups/ppd.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "filter/RasterPage.h"
#include "platform/cups/CupsOptionList.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/RasterWalk.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

namespace kv71p::fuzz {

namespace {

std::string gFolder;
std::string gProfile;
std::vector<std::pair<std::string, std::string>> gDefaults;  // PpdUse::DefaultsAsJobOptions

}  // namespace

namespace {

// The queue's PPD unpacked into the run's folder (the filter opens it for
// every job; unpacking it each run would be much of a small run's time).
std::string UnpackPpd(const char* ppdFile) {
  const std::string ppd = gFolder + "/queue.ppd";
  cups_file_t* packed = cupsFileOpen(ppdFile, "r");
  std::string text;
  char piece[4096];
  for (ssize_t n; packed != nullptr && (n = cupsFileRead(packed, piece, sizeof piece)) > 0;)
    text.append(piece, static_cast<size_t>(n));
  if (packed == nullptr || cupsFileClose(packed) != 0 || text.empty() || !WriteFileBytes(ppd, text))
    Fail("cannot unpack the queue's PPD");
  return ppd;
}

// The default choice of every option of the PPD. The filter reads only
// these from the PPD, and only for options the job does not give.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
std::vector<std::pair<std::string, std::string>> PpdDefaults(const std::string& path) {
  ppd_file_t* ppd = ppdOpenFile(path.c_str());
  if (ppd == nullptr) Fail("cannot read the queue's PPD");
  std::vector<std::pair<std::string, std::string>> defaults;
  for (ppd_option_t* option = ppdFirstOption(ppd); option != nullptr; option = ppdNextOption(ppd))
    defaults.emplace_back(option->keyword, option->defchoice);
  ppdClose(ppd);
  return defaults;
}
#pragma GCC diagnostic pop

}  // namespace

void InitFilterRun(const char* name, const char* ppdFile, PpdUse use) {
  gFolder = MakeRunFolder(name);
  setenv("KV71P_CACHE_DIR", gFolder.c_str(), 1);
  const std::string ppd = UnpackPpd(ppdFile);
  if (use == PpdUse::OpenedByTheFilter)
    setenv("PPD", ppd.c_str(), 1);
  else
    gDefaults = PpdDefaults(ppd);
  gProfile = gFolder + "/printer.icc";
  if (!WriteTestProfile(TestProfileKind::LutRgb, gProfile)) Fail("cannot write the printer profile");
}

FilterJobInput SplitFilterJobInput(const uint8_t* data, size_t size) {
  InputReader in(data, size);
  FilterJobInput input;
  input.options = in.Until('\0');
  for (size_t at; (at = input.options.find("@ICC@")) != std::string::npos;)
    input.options.replace(at, 5, gProfile);
  if (!gDefaults.empty()) {
    // The PPD's defaults of the options the job leaves out go in front
    // (the filter takes "media" for a missing PageSize before the PPD's).
    const CupsOptionList given(input.options.c_str());
    std::string defaults;
    for (const auto& [keyword, choice] : gDefaults)
      if (given.Get(keyword.c_str()) == nullptr &&
          (keyword != "PageSize" || given.Get("media") == nullptr))
        defaults += keyword + "=" + choice + " ";
    input.options = defaults + input.options;
  }
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
  const std::vector<cups_page_header2_t> pages = WalkRasterHeaders(raster);
  if (pages.size() > bounds.maxPages) return false;
  uint64_t photos = 0;
  for (const cups_page_header2_t& h : pages) {
    uint64_t stride = 0, size = 0;
    if (h.cupsBytesPerLine > bounds.maxLineBytes ||
        uint64_t{h.cupsBytesPerLine} * h.cupsHeight > bounds.maxPageBytes)
      return false;
    if (!filter::PageLayout(h.cupsWidth, h.cupsHeight, &stride, &size)) continue;
    photos += h.NumCopies;
    if (h.cupsWidth > bounds.maxSide || h.cupsHeight > bounds.maxSide || photos > bounds.maxPhotos)
      return false;
  }
  return true;
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
