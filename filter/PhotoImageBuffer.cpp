#include "filter/PhotoImageBuffer.h"

#include <cstring>

#include "common/CommandCatalogue.h"
#include "common/DeviceCmd.h"
#include "filter/PlaneCommand.h"

namespace kv71p::filter {

namespace {

// Copies a plane into the pixel rows: its first `rows` x `cols` pixels in
// storage order, centred in the panel when smaller, clipped to the page.
void PlacePlane(const BITMAPHANDLE& plane, PlaneCommand& command, int64_t headWidth,
                int64_t pageLength, int64_t photoLength, int64_t top) {
  if (plane.Data == nullptr) return;
  int64_t rows = plane.Height < photoLength ? plane.Height : photoLength;
  const int64_t cols = plane.Width < headWidth ? plane.Width : headWidth;
  if (rows <= 0 || cols <= 0) return;
  const int64_t x0 = (headWidth - cols) / 2;
  const int64_t y0 = (photoLength - rows) / 2 + top;
  if (y0 < 0 || y0 >= pageLength) return;
  if (y0 + rows > pageLength) rows = pageLength - y0;
  for (int64_t r = 0; r < rows; ++r) {
    std::memcpy(command.Row(y0 + r) + x0, plane.Data + r * plane.BytesPerLine, static_cast<size_t>(cols));
  }
}

}  // namespace

void PhotoBitmapFree::operator()(BITMAPHANDLE* photo) const {
  if (photo == nullptr) return;
  IL_FreeBitmap(photo);
  IL_FreeMemory(photo);
}

PhotoImageBuffer::~PhotoImageBuffer() { Clear(); }

void PhotoImageBuffer::Clear() {
  for (auto& slot : planes) {
    for (auto& plane : slot) IL_FreeBitmap(&plane);
  }
}

void PhotoImageBuffer::SetImageData(int slot, const BITMAPHANDLE* photo) {
  if (slot < 0 || slot >= 3) return;
  for (auto& plane : planes[slot]) {
    IL_FreeBitmap(&plane);
    plane = BITMAPHANDLE{};
  }
  if (photo == nullptr) return;
  // Red goes to the cyan plane, green to magenta, blue to yellow.
  BITMAPHANDLE* outputs[3] = {&planes[slot][2], &planes[slot][1], &planes[slot][0]};
  IL_ColorSeparateBitmap(photo, outputs, IL_RECORD_SIZE, 0);
}

EntryResult PhotoImageBuffer::Send(BlockWriter& output, const DeviceMediaBufferInfo& record) const {
  if (!PlaneCommand::Fits(record.headWidth, record.pageLength)) return EntryResult::Invalid;
  PlaneCommand command;
  if (!command.Make(record.headWidth, record.pageLength, record.dpiX, record.dpiY))
    return EntryResult::NoMemory;

  DeviceCmd multiCut;
  MakeNumberCmd(multiCut, kCmdImage, kParamMultiCut, record.multiCutCode);
  if (!WriteCommand(output, multiCut)) return EntryResult::OutputFailed;
  // Every plane overwrites the same photo rectangles, so margins and gaps
  // stay white in all three. Photos follow each other at the pitch of the
  // single-photo page plus the gap.
  const int photos = record.photos < 3 ? record.photos : 3;
  for (int k = 0; k < 3; ++k) {
    if (record.photos > 0) {
      command.SetPlaneName(kPlaneNames[k]);
      for (int i = 0; i < photos; ++i) {
        const int64_t top = static_cast<int64_t>(i) * (mediaInfo.pageLength + record.gap);
        PlacePlane(planes[i][k], command, record.headWidth, record.pageLength, record.photoLength, top);
      }
    }
    if (!output.Write(command.bytes(), command.size())) return EntryResult::OutputFailed;
  }
  DeviceCmd start;
  MakeStartCmd(start);
  return WriteCommand(output, start) ? EntryResult::Ok : EntryResult::OutputFailed;
}

}  // namespace kv71p::filter
