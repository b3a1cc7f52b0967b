#include "filter/DeviceEntry.h"

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"

namespace kv71p::filter {

namespace {

// Builds and writes one "CNTRL" setting command with a number.
bool SendSetting(BlockWriter& output, const char* parameter, long value) {
  DeviceCmd cmd;
  MakeNumberCmd(cmd, kCmdCntrl, parameter, value);
  return WriteCommand(output, cmd);
}

}  // namespace

int DeviceEntry::GetRemainHalf(const PerJobValues&) const { return 0; }

EntryResult DeviceEntry::SetSettings(const JobSettings& settings) {
  settings_ = settings;
  const EntryResult resolution = UpdateMediaInfo(mediaInfo);
  const EntryResult media =
      SetMediaInfo(mediaInfo, MediaCodeOfPageSize(settings.pageSize), kAssumedFirmwareVersion);
  return resolution != EntryResult::Ok ? resolution : media;
}

EntryResult DeviceEntry::UpdateMediaInfo(DeviceMediaBufferInfo& record) const {
  const int64_t dpiY = settings_.resolutionDpi;
  if (dpiY != 300 && dpiY != 600) return EntryResult::Invalid;
  if (record.mediaCode == -1) return EntryResult::Ok;
  if (record.baseDpi <= 0) return EntryResult::Invalid;
  const auto scale = [&record](int32_t base, int64_t dpi) {
    return static_cast<int32_t>(base * dpi / record.baseDpi);
  };
  record.dpiX = 300;
  record.dpiY = dpiY;
  record.pageWidth = scale(record.baseWidth, 300);
  record.pageLength = scale(record.baseLength, dpiY);
  record.headWidth = GetHeadWidth();
  record.photoWidth = scale(record.basePhotoWidth, 300);
  record.photoLength = scale(record.basePhotoLength, dpiY);
  record.gap = scale(record.baseGap, dpiY);
  record.photos = record.photoCount;
  return EntryResult::Ok;
}

EntryResult DeviceEntry::SendFinishing() {
  const bool cut = settings_.twoInchCut && mediaInfo.twoInchCut != 0;
  bool written = SendSetting(output_, kParamCutter, cut ? 120L : 0L);
  if (SetOvercoatFinish(static_cast<uint64_t>(settings_.overcoatFinish), kAssumedFirmwareVersion) ==
      EntryResult::Ok)
    written = SendSetting(output_, kParamOvercoat, overcoatValue) && written;
  written = SendSetting(output_, kParamBuffCntrl, settings_.printRetry ? 1 : 0) && written;
  written = SendSetting(output_, kParamPrintSpeed, settings_.printSpeed) && written;
  return written ? EntryResult::Ok : EntryResult::OutputFailed;
}

PhotoBitmap DeviceEntry::MakeImageData(PageMemory pixels, int64_t width, int64_t height) {
  imageBuffer.mediaInfo = mediaInfo;
  return imageBuffer.ColorProcess(std::move(pixels), width, height, settings_);
}

void DeviceEntry::SetImageData(int slot, const BITMAPHANDLE* photo) {
  imageBuffer.SetImageData(slot, photo);
}

EntryResult DeviceEntry::SendImageData(int photoNumber) {
  const DeviceMediaBufferInfo record =
      photoNumber >= 2 ? GetMultiMediaInfo(mediaInfo, photoNumber) : mediaInfo;
  const EntryResult result = imageBuffer.Send(output_, record);
  if (result == EntryResult::Ok) imageBuffer.Clear();
  return result;
}

}  // namespace kv71p::filter
