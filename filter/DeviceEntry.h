// The filter's job object: holds the job's settings and media record, sends
// the finishing commands of every print, and owns the page buffer through
// which processed photos reach the printer. Every block goes to the
// BlockWriter it was made with. What depends on the printer model (media
// table, layouts, overcoat table, ICC profile choice) comes from a model
// class.
#pragma once

#include <cstdint>
#include <string>

#include "filter/BlockWriter.h"
#include "filter/DeviceMediaBufferInfo.h"
#include "filter/EntryResult.h"
#include "filter/JobSettings.h"
#include "filter/PerJobValues.h"
#include "filter/PhotoImageBuffer.h"

namespace kv71p::filter {

// The firmware version that the model tables are compared with: the
// printer is never asked for it.
inline constexpr double kAssumedFirmwareVersion = 1.53;

class DeviceEntry {
 public:
  explicit DeviceEntry(BlockWriter& output) : output_(output) {}
  virtual ~DeviceEntry() = default;
  DeviceEntry(const DeviceEntry&) = delete;
  DeviceEntry& operator=(const DeviceEntry&) = delete;

  // --- Model operations -------------------------------------------------

  // Print head width in device dots.
  virtual int GetHeadWidth() const = 0;
  // The media code of a page size name (the model's default for an
  // unknown or empty name).
  virtual int32_t MediaCodeOfPageSize(const std::string& pageSize) const = 0;
  // Fills `record` with the media table row of `mediaCode` and derives its
  // device sizes; Invalid when the code has no row for `firmware`.
  virtual EntryResult SetMediaInfo(DeviceMediaBufferInfo& record, int64_t mediaCode,
                                   double firmware) const = 0;
  // The media record for `photoNumber` photos on the page size of `record`.
  virtual DeviceMediaBufferInfo GetMultiMediaInfo(const DeviceMediaBufferInfo& record,
                                                  int photoNumber) const = 0;
  // Photos per print for the media loaded in the printer.
  virtual int GetMultiLayoutNum(const PerJobValues& values) const = 0;
  // Matches `finish` in the overcoat table; Invalid when no row fits.
  virtual EntryResult SetOvercoatFinish(uint64_t finish, double firmware) = 0;
  // The model's ICC profile for the media loaded in the printer.
  virtual const char* GetPrinterICCProfile(const PerJobValues& values) const = 0;
  // Half prints left on the loaded media; 0 for a model without the rule
  // that an odd count prints the first photo alone.
  virtual int GetRemainHalf(const PerJobValues& values) const;

  // --- Settings ---------------------------------------------------------

  // Takes the job's settings and sets mediaInfo to the media of their page
  // size at their resolution. Invalid when that media has no row or the
  // resolution is neither 300 nor 600 dpi.
  EntryResult SetSettings(const JobSettings& settings);
  const JobSettings& settings() const { return settings_; }

  // Derives the device sizes of `record` for the settings' resolution. Ok
  // also for a record without media (which stays unchanged); Invalid when
  // the resolution is neither 300 nor 600 or the record has no base
  // resolution.
  EntryResult UpdateMediaInfo(DeviceMediaBufferInfo& record) const;

  // --- Output -----------------------------------------------------------

  // The finishing commands that precede every print: "CUTTER", "OVERCOAT"
  // (when the finish has a row), "BUFFCNTRL" and "PRINTSPEED".
  EntryResult SendFinishing();

  // Runs the page (taken over) through the colour pipeline with the job's
  // settings and media.
  PhotoBitmap MakeImageData(PageMemory pixels, int64_t width, int64_t height);
  // Stores the photo's planes in layout slot `slot`.
  void SetImageData(int slot, const BITMAPHANDLE* photo);
  // Sends one print of `photoNumber` photos (the media record for that many
  // photos) and releases the planes once it went out.
  EntryResult SendImageData(int photoNumber);

  BlockWriter& output() const { return output_; }

  PhotoImageBuffer imageBuffer;
  DeviceMediaBufferInfo mediaInfo;  // the job's page size, one photo per page
  int32_t overcoatCode = -1;        // finish code of the overcoat row last matched
  int32_t overcoatValue = 0;        // value of the "OVERCOAT" command

 private:
  BlockWriter& output_;
  JobSettings settings_;
};

}  // namespace kv71p::filter
