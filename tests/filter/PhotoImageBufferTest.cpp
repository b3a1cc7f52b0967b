// The page buffer and the print operations of the job object: each print's
// blocks compared byte for byte with plane commands written by hand (the
// layouts themselves are checked on the filter program's output), and its
// failure paths.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "DeviceEntry_KV71P.h"
#include "FilterTestHelpers.h"
#include "HandMadeBlocks.h"
#include "PhotoImageBuffer.h"

namespace {

using handmade::Block;
using kv71p::test::CapturedOutput;

// Photo i's byte c of pixel (x, stored row).
unsigned char PhotoByte(int i, int x, int row, int c) {
  return static_cast<unsigned char>(c == 0 ? x + 3 * row + 50 * i : c == 1 ? 7 * x + row + 20 * i : 5 * row + x / 3 + 90 * i);
}

// A 24-bit photo record that owns its image, as the colour pipeline makes.
PhotoBitmap MakePhoto(int i, int width, int height) {
  const uint64_t stride = RowStride24(width);
  PageMemory memory = AllocPageMemory(stride * height);
  for (int row = 0; row < height; ++row)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) memory.get()[row * stride + x * 3 + c] = PhotoByte(i, x, row, c);
  PhotoBitmap photo(static_cast<_tagBITMAPHANDLE*>(GlobalAlloc(0, sizeof(_tagBITMAPHANDLE))));
  *photo = _tagBITMAPHANDLE{};
  EXPECT_EQ(IL_CreateBitmap(photo.get(), IL_RECORD_SIZE, IL_MEMORY_CALLER, width, height, 24, 1, nullptr,
                            IL_ROWORDER_BOTTOMUP, memory.get(), stride * height), IL_OK);
  photo->MemHandle = memory.release();
  return photo;
}

struct Placement {
  int width, height;  // the photo's size
  int x0, y0;         // where its first pixel lands (column, stored row)
  int cols, rows;     // how much of it is used
};

// Plane `channel` of a print (0 red = cyan, 1 green = magenta, 2 blue = yellow).
std::string ExpectedPlane(const char* parameter, int channel, int pageLength, int dpiY,
                          const std::vector<Placement>& photos) {
  return handmade::PlaneCommand(parameter, pageLength, dpiY, [&](int x, int y) {
    for (size_t i = 0; i < photos.size(); ++i) {
      const Placement& p = photos[i];
      if (x >= p.x0 && x < p.x0 + p.cols && y >= p.y0 && y < p.y0 + p.rows)
        return PhotoByte(static_cast<int>(i), x - p.x0, y - p.y0, channel);
    }
    return static_cast<unsigned char>(255);
  });
}

// A job object for a page size and resolution writing into `out`.
void Configure(DeviceEntry_KV71P& entry, const char* pageSize, const char* resolution, const CapturedOutput& out) {
  kv71p::test::JobOptions options({{"PageSize", pageSize}, {"Resolution", resolution}});
  entry.SetOutputFd(out.fd());
  entry.SetResolution(options.count(), options.options(), nullptr);
  entry.SetMediaSize(options.count(), options.options(), nullptr);
  entry.AllocMediaBuffer();
}

TEST(PhotoImageBuffer, PrintsByteForByte) {
  const struct {
    const char *name, *pageSize, *resolution;
    int multiCut, pageLength, dpiY;
    std::vector<Placement> photos;
  } cases[] = {
      // Larger than the panel: the first rows and columns, not centred.
      {"large", "207x105mm", "300dpi", 408, 1236, 300, {{2600, 1300, 0, 0, 2560, 1236}}},
      // Smaller: centred in its panel; panels 1266 rows apart.
      {"two small", "207x105mm", "300dpi", 13, 2502, 300, {{100, 50, 1230, 593, 100, 50}, {2000, 1000, 280, 1384, 2000, 1000}}},
      // Code 34 with two photos becomes code 38; 600 dpi in the header.
      {"two 8x5 at 600 dpi", "207x130mm", "300x600dpi", 14, 6204, 600,
       {{2448, 3072, 56, 0, 2448, 3072}, {2448, 3072, 56, 3132, 2448, 3072}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedOutput out;
    DeviceEntry_KV71P entry;
    Configure(entry, c.pageSize, c.resolution, out);
    for (size_t i = 0; i < c.photos.size(); ++i)
      entry.SetImageData(static_cast<int>(i), MakePhoto(static_cast<int>(i), c.photos[i].width, c.photos[i].height).get());
    EXPECT_EQ(entry.SendImageData(static_cast<int>(c.photos.size())), 1);
    char cut[16];
    std::snprintf(cut, sizeof cut, "%08d", c.multiCut);
    const std::string expected = Block("IMAGE", "MULTICUT", cut) + ExpectedPlane("YPLANE", 2, c.pageLength, c.dpiY, c.photos) +
                                 ExpectedPlane("MPLANE", 1, c.pageLength, c.dpiY, c.photos) +
                                 ExpectedPlane("CPLANE", 0, c.pageLength, c.dpiY, c.photos) + Block("CNTRL", "START");
    const std::string actual = out.Take();
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    EXPECT_EQ(entry.imageBuffer.planes[0][0].Data, nullptr) << "planes released once the print went out";
  }
}

TEST(PhotoImageBuffer, EmptySlotsRefillsAndFailures) {
  CapturedOutput out;
  DeviceEntry_KV71P entry;
  Configure(entry, "207x105mm", "300dpi", out);
  const long live = QlxMemLiveBlocks();
  const PhotoBitmap photo = MakePhoto(0, 300, 200);
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
  EXPECT_EQ(entry.SendImageData(2), 1);  // white panels
  EXPECT_EQ(out.Take(), Block("IMAGE", "MULTICUT", "00000013") + ExpectedPlane("YPLANE", 2, 2502, 300, {}) +
                            ExpectedPlane("MPLANE", 1, 2502, 300, {}) + ExpectedPlane("CPLANE", 0, 2502, 300, {}) +
                            Block("CNTRL", "START"));
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
