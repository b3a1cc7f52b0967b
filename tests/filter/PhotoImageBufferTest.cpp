// The page buffer's bookkeeping and failure paths; a print of empty slots
// compared byte for byte with plane commands written by hand. (Photos laid
// out on the media are checked on the filter program's output.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "tests/common/HandMadeBlocks.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p::filter;

namespace {

using handmade::Block;

// A grey 24-bit photo record that owns its image, as the colour pipeline makes.
PhotoBitmap MakePhoto(int width, int height) {
  const uint64_t size = RowStride24(width) * height;
  PageMemory memory = AllocPageMemory(size);
  PhotoBitmap photo(static_cast<BITMAPHANDLE*>(IL_AllocMemory(sizeof(BITMAPHANDLE))));
  *photo = BITMAPHANDLE{};
  EXPECT_EQ(IL_CreateBitmap(photo.get(), IL_RECORD_SIZE, IL_MEMORY_CALLER, width, height, 24, 1, nullptr,
                            IL_ROWORDER_BOTTOMUP, memory.get(), size), IL_OK);
  photo->MemHandle = memory.release();
  return photo;
}

using kv71p::test::CapturedJob;

TEST(PhotoImageBuffer, EmptySlotsRefillsAndPrintsThatCannotBeComposed) {
  CapturedJob job;
  DeviceEntry& entry = job.entry;
  const long live = QlxMemLiveBlocks();
  const PhotoBitmap photo = MakePhoto(300, 200);
  entry.SetImageData(0, photo.get());
  entry.SetImageData(0, photo.get());  // refilled: the first planes are released
  EXPECT_EQ(QlxMemLiveBlocks(), live + 2 + 3);  // photo and record, three planes
  // A page too large for the 8-digit length field, and a composition
  // whose memory is refused: nothing is written, the photos are kept.
  DeviceMediaBufferInfo huge = entry.mediaInfo;
  huge.pageLength = 40000;
  EXPECT_EQ(entry.imageBuffer.Send(job.writer, huge), EntryResult::Invalid);
  QlxMemFailNthAlloc(1);
  EXPECT_EQ(entry.SendImageData(1), EntryResult::NoMemory);
  QlxMemFailNthAlloc(0);
  EXPECT_EQ(job.out.Take(), "");
  EXPECT_NE(entry.imageBuffer.planes[0][0].Data, nullptr);

  BITMAPHANDLE empty{};
  entry.SetImageData(0, &empty);  // a photo without an image
  entry.SetImageData(1, nullptr);
  EXPECT_EQ(QlxMemLiveBlocks(), live + 2);
  EXPECT_EQ(entry.SendImageData(2), EntryResult::Ok);  // white panels on code 37
  const auto white = [](int, int) { return 255; };
  EXPECT_TRUE(job.out.Take() == Block("IMAGE", "MULTICUT", "00000013") +
                                    handmade::PlaneCommand("YPLANE", 2502, 300, white) +
                                    handmade::PlaneCommand("MPLANE", 2502, 300, white) +
                                    handmade::PlaneCommand("CPLANE", 2502, 300, white) + Block("CNTRL", "START"));
}

TEST(PhotoImageBuffer, AnOutputNobodyReadsStopsThePrint) {
  signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  FdBlockWriter writer(fds[1]);
  DeviceEntry_KV71P entry(writer);
  entry.SetSettings(JobSettings());
  const PhotoBitmap photo = MakePhoto(30, 20);
  entry.SetImageData(0, photo.get());
  EXPECT_EQ(entry.SendImageData(1), EntryResult::OutputFailed);
  EXPECT_NE(entry.imageBuffer.planes[0][0].Data, nullptr) << "planes kept";
  EXPECT_EQ(entry.SendFinishing(), EntryResult::OutputFailed);
  EXPECT_TRUE(writer.Failed());
  EXPECT_FALSE(writer.Write("abc", 3));
  close(fds[1]);
}

}  // namespace
