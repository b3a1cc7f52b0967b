// A job's photos laid out into prints: the job's settings taken by the job
// object (with the ICC profile chosen for the loaded media), every page run
// once through the colour pipeline and placed once per copy into the layout
// of the loaded media, and every print sent (finishing commands, then the
// print) as soon as its layout is full. The first photo of the job goes out
// alone when the loaded media's half prints are odd. The filter's job and
// the printer application compose their prints with it, so both make the
// same command stream from the same pages and settings.
#pragma once

#include <functional>
#include <string>

#include "filter/DeviceEntry.h"
#include "filter/EntryResult.h"
#include "filter/JobSettings.h"
#include "filter/PageMemory.h"
#include "filter/PerJobValues.h"

namespace kv71p::filter {

// The job's ICC profile: `requested` when given, else the model's profile
// for the loaded media; empty unless that names a regular file that can be
// read (a FIFO or a device would make the colour engine wait or read
// forever).
std::string ChooseColorProfile(const char* requested, const DeviceEntry& model,
                               const PerJobValues& loadedMedia);

class PrintComposer {
 public:
  // True once the job is cancelled.
  using CancelCheck = std::function<bool()>;

  // Gives `entry` the job's `settings` (with colour matching, the profile
  // of ChooseColorProfile(requestedProfile, ...)) and takes the layout
  // and the first-alone rule from `loadedMedia`. `entry` must outlive the
  // composer.
  PrintComposer(DeviceEntry& entry, JobSettings settings, const PerJobValues& loadedMedia,
                const char* requestedProfile, CancelCheck canceled);

  // Runs one page (its pixels taken over; the layout of PageMemory, bottom
  // row first) through the colour pipeline and places it `copies` times,
  // sending every print whose layout fills up. Canceled or OutputFailed
  // when the job was cancelled or the output failed before the last copy
  // was placed (nothing more is placed).
  EntryResult AddPage(PageMemory pixels, int64_t width, int64_t height, int copies);

  // Sends the photos placed and not yet sent as a last print, unless the
  // job was cancelled or its output failed.
  EntryResult Finish();

  int layoutCount() const { return layoutCount_; }
  bool firstAlone() const { return firstAlone_; }

 private:
  // The finishing commands and the print of `photoNumber` photos, then the
  // end of the print for the output.
  void SendPrint(int photoNumber);

  DeviceEntry& entry_;
  CancelCheck canceled_;
  int layoutCount_ = 1;
  bool firstAlone_ = false;
  int placed_ = 0;      // photos placed and not yet sent
  int pagesAdded_ = 0;  // pages placed before the current one
};

}  // namespace kv71p::filter
