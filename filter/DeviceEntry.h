// The filter's job object: turns the job's print options into settings and
// into the printer's setting commands, holds the job's media record, and
// owns the page buffer through which processed photos reach the printer.
// What depends on the printer model (media table, layouts, overcoat table,
// ICC profile choice, capabilities) comes from a model class.
#pragma once

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cstdint>
#include <string>

#include "filter/DeviceMediaBufferInfo.h"
#include "filter/PhotoImageBuffer.h"

namespace kv71p {
class DeviceCmd;
}  // namespace kv71p

namespace kv71p::filter {

class DeviceEntry {
 public:
  DeviceEntry() = default;
  virtual ~DeviceEntry() = default;
  DeviceEntry(const DeviceEntry&) = delete;
  DeviceEntry& operator=(const DeviceEntry&) = delete;

  // --- Model operations -------------------------------------------------

  // Print head width in device dots.
  virtual int GetHeadWidth() = 0;
  // Sets mediaInfo from the "PageSize" option; 1 when set, else 0.
  virtual int SetMediaSize(int numOptions, cups_option_t* options, ppd_file_t* ppd) = 0;
  // Fills `record` with the media table row of `mediaCode` and derives its
  // device sizes; 0 on success, 3 otherwise.
  virtual int SetMediaInfo(DeviceMediaBufferInfo& record, int64_t mediaCode, double firmware) = 0;
  // The media record for `photoNumber` photos on the page size of `record`.
  virtual DeviceMediaBufferInfo GetMultiMediaInfo(const DeviceMediaBufferInfo& record,
                                                  int photoNumber) = 0;
  // Photos per print for the media loaded in the printer (per-job file).
  virtual int GetMultiLayoutNum(const char* jobId) = 0;
  // Matches `finish` in the overcoat table; 0 on success, 3 when no row fits.
  virtual int SetOvercoatFinish(uint64_t finish, double firmware) = 0;
  // Sets paperRotate.
  virtual void SetPaperRotate(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  // The model's ICC profile for the media loaded in the printer.
  virtual const char* GetPrinterICCProfile(const char* jobId) = 0;
  // Half prints left on the loaded media; 0 when unknown.
  virtual int GetRemainHalf(const char* jobId);
  virtual bool isSupportDecurl() = 0;
  virtual bool isSupportSysTime() = 0;

  // --- Settings from the print options (job option first, PPD default
  // second). Each reads its keywords; values are compared case-sensitively.

  // "Resolution"; then rederives mediaInfo. 1 when that succeeded, else 0.
  int SetResolution(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetBorder(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetICM(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetSharpness(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetGamma(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetIntensity(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetContrast(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetSaturation(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  void SetColorAdjustment(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  // "VexICCProfile" when set, else the model's choice. Null when none.
  const char* GetICCProfile(int numOptions, cups_option_t* options, ppd_file_t* ppd,
                            const char* jobId);
  // Stores the profile path; null changes nothing.
  void SetICCProfile(const char* profilePath);

  // --- Setting commands, written to the output as soon as built. Each
  // returns 1 when it sent its command (also when the block could not be
  // built, in which case nothing is written), 0 when it sent nothing.

  int SendOvercoatFinish(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  int SendCutterMode(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  int SendPrintRetry(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  int SendPrintSpeed(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  int SendDecurl(int numOptions, cups_option_t* options, ppd_file_t* ppd);
  int SendSysTime();

  // Derives the device sizes of `record` for resolutionDpi. 0 on success
  // (also for a record without media, which stays unchanged), 3 when the
  // resolution is neither 300 nor 600 or the record has no base resolution.
  int UpdateMediaInfo(DeviceMediaBufferInfo& record);

  // --- Photos and prints through the page buffer.

  // Refreshes the page buffer's media record and settings copy and runs
  // the page (taken over) through the colour pipeline.
  PhotoBitmap MakeImageData(PageMemory pixels, int64_t width, int64_t height, int index);
  // Stores the photo's planes in layout slot `slot`.
  void SetImageData(int slot, const _tagBITMAPHANDLE* photo);
  // Sends one print of `photoNumber` photos (the media record for that many
  // photos) and releases the planes once it went out. 1 on success, else 0.
  int SendImageData(int photoNumber);
  // "MULTICUT", the three planes and "START" for `record`. 1 when the
  // planes were written (and "START" after them), else 0.
  int PrintImageData(const DeviceMediaBufferInfo& record);
  // Writes "IMAGE" "MULTICUT" with the record's multi-cut code; returns 1.
  int SendMediaSize(const DeviceMediaBufferInfo& record);
  // Writes `count` bytes as one whole block. 1 when written; 0 for an
  // empty block or when the output failed.
  int SetCommand(const void* bytes, uint64_t count);
  int AllocMediaBuffer() { return imageBuffer.Alloc(mediaInfo); }
  int FreeMediaBuffer() { return imageBuffer.Free(); }
  int Send(const DeviceMediaBufferInfo& record) { return imageBuffer.Send(this, record); }
  int Clear() { return imageBuffer.Clear(); }

  // --- Output: every byte the job object writes goes through Write.
  // The output is standard output unless redirected. A block is written
  // whole (a pipe may take it in pieces, a signal may interrupt a write);
  // once a write has failed (the reader went away) nothing more is written.

  // Writes `count` bytes; 0 when written, 1 when the output failed.
  int Write(const void* bytes, int count);
  // Writes the block held by `block` (nothing when it holds none); 0 when
  // written, 1 when the output failed.
  int DeviceIO(const DeviceCmd& block);
  void SetOutputFd(int fd) { outputFd_ = fd; }
  int OutputFd() const { return outputFd_; }
  // True once a write to the output has failed.
  bool OutputFailed() const { return outputFailed_; }

  // --- The page buffer, and the job settings of which it reads a copy
  // before every photo.

  PhotoImageBuffer imageBuffer;
  DeviceMediaBufferInfo mediaInfo;  // the job's page size, one photo per page
  int32_t overcoatCode = -1;        // finish code of the overcoat row last matched
  int32_t overcoatValue = 0;        // value of the "OVERCOAT" command
  int64_t overcoatAttribute = 0;
  double overcoatMinFirmware = 0;
  int64_t resolutionDpi = 300;      // vertical resolution: 300 or 600
  int64_t resolutionMode = 0;       // 0: 300x300, 1: "300x600dpi", 2: "600x600dpi"
  bool paperRotate = false;
  bool border = false;
  bool icm = true;
  int32_t sharpness = 0;            // -1000 ... 1000
  bool colorAdjustment = false;     // apply gamma, brightness, contrast, chroma
  int32_t gammaR = 0, gammaG = 0, gammaB = 0;  // gamma x 100
  int32_t brightnessR = 0, brightnessG = 0, brightnessB = 0;
  int32_t contrastR = 0, contrastG = 0, contrastB = 0;
  int32_t chroma = 0;
  std::string iccProfile;           // empty: no profile

 private:
  // Writes all `count` bytes unless the output already failed.
  bool WriteBlock(const void* bytes, size_t count);

  int outputFd_ = 1;
  bool outputFailed_ = false;
};

}  // namespace kv71p::filter
