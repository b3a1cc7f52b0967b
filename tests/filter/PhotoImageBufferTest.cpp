// The page buffer's bookkeeping and failure paths; a print of empty slots
// compared byte for byte with plane commands written by hand. (Photos laid
// out on the media are checked on the filter program's output.)
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "filter/DeviceEntry_KV71P.h"
#include "filter/PhotoImageBuffer.h"
#include "tests/common/HandMadeBlocks.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p;
using namespace kv71p::filter;

namespace {

using handmade::Block;

// A grey 24-bit photo record that owns its image, as the colour pipeline makes.
PhotoBitmap MakePhoto(int width, int height) {
  const uint64_t size = RowStride24(width) * height;
  PageMemory memory = AllocPageMemory(size);
  PhotoBitmap photo(static_cast<_tagBITMAPHANDLE*>(GlobalAlloc(0, sizeof(_tagBITMAPHANDLE))));
  *photo = _tagBITMAPHANDLE{};
  EXPECT_EQ(IL_CreateBitmap(photo.get(), IL_RECORD_SIZE, IL_MEMORY_CALLER, width, height, 24, 1, nullptr,
                            IL_ROWORDER_BOTTOMUP, memory.get(), size), IL_OK);
  photo->MemHandle = memory.release();
  return photo;
}

TEST(PhotoImageBuffer, EmptySlotsRefillsAndFailures) {
  kv71p::test::CapturedOutput out;
  kv71p::test::JobOptions options(kv71p::test::Pairs{{"PageSize", "207x105mm"}});
  DeviceEntry_KV71P entry;
  entry.SetOutputFd(out.fd());
  entry.SetMediaSize(options.count(), options.options(), nullptr);
  entry.AllocMediaBuffer();
  const long live = QlxMemLiveBlocks();
  const PhotoBitmap photo = MakePhoto(300, 200);
  entry.SetImageData(0, photo.get());
  entry.SetImageData(0, photo.get());  // refilled: the first planes are released
  EXPECT_EQ(QlxMemLiveBlocks(), live + 2 + 3);  // photo and record, three planes
  // A page whose image would not fit the 8-digit length field: no planes
  // are written and the photos are kept.
  DeviceMediaBufferInfo huge = entry.mediaInfo;
  huge.pageLength = 40000;
  EXPECT_EQ(entry.PrintImageData(huge), 0);
  EXPECT_EQ(out.Take(), Block("IMAGE", "MULTICUT", "00000408"));
  EXPECT_NE(entry.imageBuffer.planes[0][0].Data, nullptr);

  _tagBITMAPHANDLE empty{};
  entry.SetImageData(0, &empty);  // a photo without an image
  entry.SetImageData(1, nullptr);
  EXPECT_EQ(QlxMemLiveBlocks(), live + 2);
  EXPECT_EQ(entry.SendImageData(2), 1);  // white panels on code 37
  const auto white = [](int, int) { return 255; };
  EXPECT_TRUE(out.Take() == Block("IMAGE", "MULTICUT", "00000013") + handmade::PlaneCommand("YPLANE", 2502, 300, white) +
                                handmade::PlaneCommand("MPLANE", 2502, 300, white) +
                                handmade::PlaneCommand("CPLANE", 2502, 300, white) + Block("CNTRL", "START"));
  EXPECT_EQ(entry.SetCommand(nullptr, 10), 0);
  EXPECT_EQ(entry.SetCommand("x", 0), 0);

  // An output nobody reads stops the print; its planes are kept.
  signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  entry.SetOutputFd(fds[1]);
  entry.SetImageData(0, photo.get());
  EXPECT_EQ(entry.SendImageData(1), 0);
  EXPECT_TRUE(entry.OutputFailed());
  EXPECT_NE(entry.imageBuffer.planes[0][0].Data, nullptr);
  EXPECT_EQ(entry.SetCommand("abc", 3), 0);
  EXPECT_EQ(entry.Write("abc", 3), 1);
  close(fds[1]);
}

}  // namespace
