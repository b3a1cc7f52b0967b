// The page buffer and the print operations of the job object: photos laid
// out on the media, each print's blocks compared byte for byte with plane
// commands put together by hand from the documented layout.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "DeviceEntry_KV71P.h"
#include "FilterTestHelpers.h"
#include "HandMadePlane.h"
#include "PhotoImageBuffer.h"

namespace {

using kv71p::test::Block;
using kv71p::test::CapturedOutput;
using kv71p::test::JobOptions;

// Photo i's pixel (x, stored row): three bytes that differ per photo.
unsigned char PhotoByte(int i, int x, int row, int channel) {
  switch (channel) {
    case 0: return static_cast<unsigned char>(x + 3 * row + 50 * i);
    case 1: return static_cast<unsigned char>(7 * x + row + 20 * i);
    default: return static_cast<unsigned char>(5 * row + x / 3 + 90 * i);
  }
}

// A 24-bit photo record that owns its image, as the colour pipeline makes.
PhotoBitmap MakePhoto(int i, int width, int height) {
  const uint64_t stride = RowStride24(width);
  PageMemory memory = AllocPageMemory(stride * height);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) memory.get()[row * stride + x * 3 + c] = PhotoByte(i, x, row, c);
    }
  }
  PhotoBitmap photo(static_cast<_tagBITMAPHANDLE*>(GlobalAlloc(0, sizeof(_tagBITMAPHANDLE))));
  *photo = _tagBITMAPHANDLE{};
  EXPECT_EQ(IL_CreateBitmap(photo.get(), IL_RECORD_SIZE, IL_MEMORY_CALLER, width, height, 24, 1,
                            nullptr, IL_ROWORDER_BOTTOMUP, memory.get(), stride * height),
            IL_OK);
  photo->MemHandle = memory.release();
  return photo;
}

struct Placement {
  int width, height;  // the photo's size
  int x0, y0;         // where its first pixel lands (column, stored row)
  int cols, rows;     // how much of it is used
};

// The plane command that the print must carry for plane `channel` (0 red
// = cyan, 1 green = magenta, 2 blue = yellow).
std::string ExpectedPlane(const char* parameter, int channel, int pageLength, int dpiY,
                          const std::vector<Placement>& photos) {
  const auto block = handmade::PlaneCommand(parameter, pageLength, dpiY, [&](int x, int y) {
    for (size_t i = 0; i < photos.size(); ++i) {
      const Placement& p = photos[i];
      if (x >= p.x0 && x < p.x0 + p.cols && y >= p.y0 && y < p.y0 + p.rows)
        return PhotoByte(static_cast<int>(i), x - p.x0, y - p.y0, channel);
    }
    return static_cast<unsigned char>(255);
  });
  return std::string(block.begin(), block.end());
}

// A job object for a page size and resolution, writing into `out`, its
// page buffer holding the media record as after a photo was made.
void Configure(DeviceEntry_KV71P& entry, const char* pageSize, const char* resolution,
               const CapturedOutput& out) {
  JobOptions options({{"PageSize", pageSize}, {"Resolution", resolution}});
  entry.SetOutputFd(out.fd());
  entry.SetResolution(options.count(), options.options(), nullptr);
  entry.SetMediaSize(options.count(), options.options(), nullptr);
  entry.AllocMediaBuffer();
}

TEST(PhotoImageBuffer, PrintsAreComposedAsLaidOut) {
  const struct {
    const char* name;
    const char* pageSize;
    const char* resolution;
    int multiCut, pageLength, dpiY;
    std::vector<Placement> photos;
  } cases[] = {
      // One photo of the media's size fills columns 56 to 2503.
      {"one 8x4", "207x105mm", "300dpi", 408, 1236, 300, {{2448, 1236, 56, 0, 2448, 1236}}},
      // Two photos on code 37: rows 0-1235 and 1266-2501, a white gap between.
      {"two 8x4", "207x105mm", "300dpi", 13, 2502, 300,
       {{2448, 1236, 56, 0, 2448, 1236}, {2448, 1236, 56, 1266, 2448, 1236}}},
      {"three 8x4", "207x105mm", "300dpi", 20, 3768, 300,
       {{2448, 1236, 56, 0, 2448, 1236}, {2448, 1236, 56, 1266, 2448, 1236},
        {2448, 1236, 56, 2532, 2448, 1236}}},
      // Code 34 with two photos becomes code 38.
      {"two 8x5", "207x130mm", "300dpi", 14, 3102, 300,
       {{2448, 1536, 56, 0, 2448, 1536}, {2448, 1536, 56, 1566, 2448, 1536}}},
      // Larger than the panel: the first rows and columns, not centred.
      {"large", "207x105mm", "300dpi", 408, 1236, 300, {{2600, 1300, 0, 0, 2560, 1236}}},
      // Smaller: centred at x0 = 280, y0 = 118.
      {"small", "207x105mm", "300dpi", 408, 1236, 300, {{2000, 1000, 280, 118, 2000, 1000}}},
      {"two small", "207x105mm", "300dpi", 13, 2502, 300,
       {{100, 50, 1230, 593, 100, 50}, {2448, 1236, 56, 1266, 2448, 1236}}},
      // 300 x 600 dpi: twice the rows, 600 dpi in the header.
      {"600 dpi", "207x105mm", "300x600dpi", 408, 2472, 600, {{2448, 2472, 56, 0, 2448, 2472}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedOutput out;
    DeviceEntry_KV71P entry;
    Configure(entry, c.pageSize, c.resolution, out);
    for (size_t i = 0; i < c.photos.size(); ++i) {
      const PhotoBitmap photo = MakePhoto(static_cast<int>(i), c.photos[i].width, c.photos[i].height);
      entry.SetImageData(static_cast<int>(i), photo.get());
    }
    EXPECT_EQ(entry.SendImageData(static_cast<int>(c.photos.size())), 1);
    char cut[16];
    std::snprintf(cut, sizeof cut, "%08d", c.multiCut);
    const std::string expected =
        Block("IMAGE", "MULTICUT", cut) + ExpectedPlane("YPLANE", 2, c.pageLength, c.dpiY, c.photos) +
        ExpectedPlane("MPLANE", 1, c.pageLength, c.dpiY, c.photos) +
        ExpectedPlane("CPLANE", 0, c.pageLength, c.dpiY, c.photos) + Block("CNTRL", "START", "");
    const std::string actual = out.Take();
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    // The print's planes are released once it went out.
    EXPECT_EQ(entry.imageBuffer.planes[0][0].Data, nullptr);
  }
}

TEST(PhotoImageBuffer, WorkedNumbersOfOnePrint) {
  CapturedOutput out;
  DeviceEntry_KV71P entry;
  Configure(entry, "207x105mm", "300dpi", out);
  const PhotoBitmap photo = MakePhoto(0, 2448, 1236);
  entry.SetImageData(0, photo.get());
  EXPECT_EQ(entry.PrintImageData(entry.mediaInfo), 1);
  const std::string stream = out.Take();
  // MULTICUT (40 bytes), three planes of 3165280 bytes, START (32).
  ASSERT_EQ(stream.size(), 40u + 3u * 3165280u + 32u);
  EXPECT_EQ(stream.substr(40 + 24, 8), "03165248");
  // The three plane commands differ only in the parameter and the pixels.
  for (size_t at : {40u + 3165280u, 40u + 2u * 3165280u}) {
    EXPECT_EQ(stream.substr(at, 8), stream.substr(40, 8));
    EXPECT_EQ(stream.substr(at + 24, 1120 - 24), stream.substr(40 + 24, 1120 - 24));
  }
}

TEST(PhotoImageBuffer, EmptySlotsPrintWhitePanelsAndRefillsReleasePlanes) {
  CapturedOutput out;
  DeviceEntry_KV71P entry;
  Configure(entry, "207x105mm", "300dpi", out);
  const long live = QlxMemLiveBlocks();
  const PhotoBitmap photo = MakePhoto(0, 300, 200);
  entry.SetImageData(0, photo.get());
  entry.SetImageData(0, photo.get());  // a slot refilled after a failed print
  EXPECT_EQ(QlxMemLiveBlocks(), live + 2 + 3);  // photo and record, three planes
  _tagBITMAPHANDLE empty{};
  entry.SetImageData(0, &empty);  // a photo without an image
  entry.SetImageData(1, nullptr);
  EXPECT_EQ(QlxMemLiveBlocks(), live + 2);
  EXPECT_EQ(entry.SendImageData(2), 1);
  const std::string white = ExpectedPlane("YPLANE", 2, 2502, 300, {});
  const std::string stream = out.Take();
  ASSERT_EQ(stream.size(), 40 + 3 * white.size() + 32);
  EXPECT_TRUE(stream.compare(40, white.size(), white) == 0);
}

TEST(PhotoImageBuffer, FailedCompositionWritesNoPlanesAndKeepsThePhotos) {
  CapturedOutput out;
  DeviceEntry_KV71P entry;
  Configure(entry, "207x105mm", "300dpi", out);
  const PhotoBitmap photo = MakePhoto(0, 300, 200);
  entry.SetImageData(0, photo.get());
  // A page whose image would not fit the 8-digit length field.
  DeviceMediaBufferInfo huge = entry.mediaInfo;
  huge.pageLength = 40000;
  EXPECT_EQ(entry.PrintImageData(huge), 0);
  EXPECT_EQ(out.Take(), Block("IMAGE", "MULTICUT", "00000408"));
  EXPECT_NE(entry.imageBuffer.planes[0][0].Data, nullptr);
  EXPECT_EQ(entry.SetCommand(nullptr, 10), 0);
  EXPECT_EQ(entry.SetCommand("x", 0), 0);
}

TEST(PhotoImageBuffer, AFailedOutputStopsThePrint) {
  signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);  // nobody reads
  CapturedOutput unused;
  DeviceEntry_KV71P entry;
  Configure(entry, "207x105mm", "300dpi", unused);
  entry.SetOutputFd(fds[1]);
  const PhotoBitmap photo = MakePhoto(0, 300, 200);
  entry.SetImageData(0, photo.get());
  EXPECT_EQ(entry.SendImageData(1), 0);
  EXPECT_TRUE(entry.OutputFailed());
  EXPECT_NE(entry.imageBuffer.planes[0][0].Data, nullptr);  // not sent: kept
  EXPECT_EQ(entry.SetCommand("abc", 3), 0);
  EXPECT_EQ(entry.Write("abc", 3), 1);
  close(fds[1]);
}

}  // namespace
