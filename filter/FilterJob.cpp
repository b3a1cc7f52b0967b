// The filter's job: options, the per-job file, the settings, the pages and
// the command stream (see main.cpp for the program around it).
#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "common/TextHelpers.h"
#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "filter/FilterJob.h"
#include "filter/JobSettingsFromOptions.h"
#include "filter/PerJobValues.h"
#include "filter/PrintComposer.h"
#include "filter/PrintOptions.h"
#include "filter/RasterPage.h"
#include "platform/cups/CupsOptionList.h"

namespace kv71p::filter {

namespace {

// Set by the SIGTERM handler when CUPS cancels the job.
volatile sig_atomic_t Canceled = 0;

void CancelJob(int /*signal*/) { Canceled = 1; }

// The job option that carries the orientation.
constexpr char kOrientationOption[] = "com.apple.print.preset.Orientation..n.";

// libcups marks its PPD interface deprecated; the filter reads the queue's
// PPD through it all the same.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
// The queue's PPD with its defaults and the job's options marked; absent
// when PPD is unset or the file cannot be read.
class QueuePpd {
 public:
  QueuePpd(const char* path, const CupsOptionList& options) {
    if (path == nullptr) return;
    ppd_ = ppdOpenFile(path);
    if (ppd_ == nullptr) return;
    ppdMarkDefaults(ppd_);
    cupsMarkOptions(ppd_, options.count(), options.options());
  }
  ~QueuePpd() {
    if (ppd_ != nullptr) ppdClose(ppd_);
  }
  QueuePpd(const QueuePpd&) = delete;
  QueuePpd& operator=(const QueuePpd&) = delete;
  ppd_file_t* get() const { return ppd_; }

 private:
  ppd_file_t* ppd_ = nullptr;
};
#pragma GCC diagnostic pop

// The raster stream read from the job's input descriptor (which stays
// open: it belongs to the caller).
class RasterInput {
 public:
  explicit RasterInput(int fd) : fd_(fd) {}
  ~RasterInput() {
    if (raster_ != nullptr) cupsRasterClose(raster_);
  }
  RasterInput(const RasterInput&) = delete;
  RasterInput& operator=(const RasterInput&) = delete;
  void Open() { raster_ = cupsRasterOpen(fd_, CUPS_RASTER_READ); }
  bool ReadHeader(cups_page_header2_t* header) {
    return raster_ != nullptr && cupsRasterReadHeader2(raster_, header) != 0;
  }
  cups_raster_t* raster() const { return raster_; }

 private:
  int fd_;
  cups_raster_t* raster_ = nullptr;
};

// Waits for the per-job file of `jobId`: tests for it once a second, at
// most 120 times, the one-second pause following every test (the pause
// and the count come from `wait`). The job goes on in any case; a
// cancelled job stops waiting.
void WaitForPerJobFile(const char* jobId, const JobFileWait& wait) {
  const std::string path = CacheFilePath(PerJobFileName(jobId));
  for (int attempt = 0; attempt < wait.attempts && !Canceled; ++attempt) {
    struct stat info;
    const bool found = stat(path.c_str(), &info) == 0;
    if (wait.pauseMs > 0) {
      // Interrupted by SIGTERM like the plain sleep it stands for.
      const timespec pause{static_cast<time_t>(wait.pauseMs / 1000),
                           static_cast<long>(wait.pauseMs % 1000) * 1000000L};
      nanosleep(&pause, nullptr);
    }
    if (found) break;
  }
}

void InstallCancelHandler() {
  // No SA_RESTART: the handler may interrupt a write, which the output
  // continues (a block is always written whole).
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = CancelJob;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  // A reader that goes away makes writes fail instead of ending the filter.
  signal(SIGPIPE, SIG_IGN);
}

// The job's pages: each page is read and handed to the composer, which
// processes it once and places it once per copy. A page too large for the
// filter's bounds, or whose memory cannot be obtained, is read past and
// the job goes on with the next one.
void RunPages(RasterInput& input, PrintComposer& composer, int orientation) {
  cups_page_header2_t header;
  bool more = input.ReadHeader(&header) && !Canceled;
  while (more) {
    RasterPageBuffers page;
    const bool usable = AllocRasterPage(header, orientation, &page);
    if (usable) {
      ReadRasterPage(input.raster(), header, &page, &Canceled);
    } else {
      page = RasterPageBuffers{};
      SkipRasterPage(input.raster(), header, &Canceled);
    }
    if (Canceled) return;
    if (usable &&
        composer.AddPage(std::move(page.pixels), header.cupsWidth, header.cupsHeight,
                         static_cast<int>(header.NumCopies)) != EntryResult::Ok)
      return;
    more = input.ReadHeader(&header) && !Canceled;
  }
}

}  // namespace

int RunFilterJob(int argc, char* argv[], int inputFd, int outputFd, const JobFileWait& wait,
                 ModelMaker makeModel) {
  if (argc != 6 && argc != 7) return 1;
  RasterInput input(inputFd);
  const CupsOptionList options(argv[5]);
  const QueuePpd ppd(getenv("PPD"), options);

  Canceled = 0;
  InstallCancelHandler();

  const char* orientationText = options.Get(kOrientationOption);
  const int orientation = orientationText != nullptr ? kv71p::ParseInt(orientationText) : 1;

  WaitForPerJobFile(argv[1], wait);
  const PerJobValues jobValues = ReadPerJobValues(argv[1]);
  input.Open();

  FdBlockWriter output(outputFd);
  const std::unique_ptr<DeviceEntry> entry =
      makeModel != nullptr ? makeModel(output) : std::make_unique<DeviceEntry_KV71P>(output);
  const PrintOptions printOptions(options.count(), options.options(), ppd.get());
  PrintComposer composer(*entry, JobSettingsFromOptions(printOptions), jobValues,
                         printOptions.Value("VexICCProfile"), [] { return Canceled != 0; });
  RunPages(input, composer, orientation);
  composer.Finish();
  return output.Failed() && !Canceled ? 1 : 0;
}

}  // namespace kv71p::filter
