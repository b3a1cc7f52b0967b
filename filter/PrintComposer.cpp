#include "filter/PrintComposer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace kv71p::filter {

namespace {

// True when `path` names a regular file that can be opened for reading.
bool ProfileReadable(const char* path) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  return regular;
}

}  // namespace

std::string ChooseColorProfile(const char* requested, const DeviceEntry& model,
                               const PerJobValues& loadedMedia) {
  const char* profile = requested != nullptr ? requested : model.GetPrinterICCProfile(loadedMedia);
  return profile != nullptr && ProfileReadable(profile) ? profile : "";
}

PrintComposer::PrintComposer(DeviceEntry& entry, JobSettings settings, const PerJobValues& loadedMedia,
                             const char* requestedProfile, CancelCheck canceled)
    : entry_(entry), canceled_(std::move(canceled)) {
  if (settings.icm) settings.iccProfile = ChooseColorProfile(requestedProfile, entry, loadedMedia);
  entry_.SetSettings(settings);
  layoutCount_ = entry_.GetMultiLayoutNum(loadedMedia);
  if (layoutCount_ < 1 || layoutCount_ > 3) layoutCount_ = 1;
  firstAlone_ = entry_.GetRemainHalf(loadedMedia) % 2 == 1;
}

EntryResult PrintComposer::AddPage(PageMemory pixels, int64_t width, int64_t height, int copies) {
  const PhotoBitmap photo = entry_.MakeImageData(std::move(pixels), width, height);
  for (int c = 0; c < copies; ++c) {
    if (canceled_()) return EntryResult::Canceled;
    if (entry_.output().Failed()) return EntryResult::OutputFailed;
    const int n = (c == 0 && pagesAdded_ == 0 && firstAlone_) ? 1 : layoutCount_;
    entry_.SetImageData(placed_, photo.get());
    ++placed_;
    if (placed_ >= n) {
      SendPrint(n);
      placed_ = 0;
    }
  }
  ++pagesAdded_;
  return entry_.output().Failed() ? EntryResult::OutputFailed : EntryResult::Ok;
}

EntryResult PrintComposer::Finish() {
  if (canceled_()) return EntryResult::Canceled;
  if (entry_.output().Failed()) return EntryResult::OutputFailed;
  if (placed_ > 0) SendPrint(placed_);
  placed_ = 0;
  return entry_.output().Failed() ? EntryResult::OutputFailed : EntryResult::Ok;
}

void PrintComposer::SendPrint(int photoNumber) {
  // A print that cannot be composed still ends: its finishing commands
  // went out, as they do in the filter's stream.
  entry_.SendFinishing();
  entry_.SendImageData(photoNumber);
  entry_.output().EndPrint();
}

}  // namespace kv71p::filter
