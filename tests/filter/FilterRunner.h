// Runs the filter program as CUPS runs it: the five or six arguments, the
// per-job file in a private cache folder, CUPS raster that the test writes
// (as a file argument or on standard input); its output decoded. Jobs of
// one table run side by side, because every job waits at least a second
// for its per-job file.
#pragma once

#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "tests/filter/PrintOutput.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace kv71p::test {

// One raster page: its header values and the bytes of each line.
struct RasterPage {
  unsigned width = 0, height = 0;
  unsigned bitsPerPixel = 24;
  unsigned bytesPerLine = 0;  // 0: width x bitsPerPixel / 8
  unsigned copies = 1;
  unsigned dpiX = 300, dpiY = 300;
  unsigned linesWritten = ~0u;  // fewer than height cuts the stream short
  // Fills the `bytes` (bytesPerLine of them) of line i.
  std::function<void(unsigned i, std::vector<unsigned char>& bytes)> fill;

  unsigned lineBytes() const { return bytesPerLine ? bytesPerLine : width * bitsPerPixel / 8; }
  std::vector<unsigned char> Line(unsigned i) const {
    std::vector<unsigned char> bytes(lineBytes(), 0);
    if (fill) fill(i, bytes);
    return bytes;
  }
};

// A page of `width` x `height` pixels in blocks of cube corner colours
// (which the colour pipeline leaves alone when every setting is neutral),
// different for every `tag`.
inline RasterPage PatternPage(unsigned width, unsigned height, int tag, unsigned copies = 1) {
  RasterPage page;
  page.width = width;
  page.height = height;
  page.copies = copies;
  page.fill = [tag](unsigned i, std::vector<unsigned char>& bytes) {
    for (size_t b = 0; b < bytes.size() / 3 * 3; ++b) {
      const size_t corner = (i / 7 + (b / 33) * 3 + static_cast<size_t>(tag) * 5) % 8;  // bits: red, green, blue
      bytes[b] = (corner >> (b % 3)) & 1 ? 255 : 0;
    }
  };
  return page;
}

inline bool WriteRaster(const std::string& path, const std::vector<RasterPage>& pages) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // Compressed streams keep huge pages small; one that ends inside a page
  // is written uncompressed (the compressor holds back the last line), and
  // so is one with a line that ends inside a pixel (the compressor reads
  // whole pixels, past the line).
  bool cutShort = false;
  bool partPixel = false;
  for (const RasterPage& p : pages) {
    cutShort = cutShort || p.linesWritten < p.height;
    partPixel = partPixel || (p.bitsPerPixel >= 8 && p.lineBytes() % (p.bitsPerPixel / 8) != 0);
  }
  cups_raster_t* raster = cupsRasterOpen(
      fd, cutShort || partPixel ? CUPS_RASTER_WRITE : CUPS_RASTER_WRITE_COMPRESSED);
  bool ok = raster != nullptr;
  for (const RasterPage& p : pages) {
    if (!ok) break;
    cups_page_header2_t h{};
    h.HWResolution[0] = p.dpiX;
    h.HWResolution[1] = p.dpiY;
    h.NumCopies = p.copies;
    h.cupsWidth = p.width;
    h.cupsHeight = p.height;
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = p.bitsPerPixel;
    h.cupsBytesPerLine = p.lineBytes();
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = p.bitsPerPixel == 24 ? CUPS_CSPACE_RGB : CUPS_CSPACE_W;
    ok = cupsRasterWriteHeader2(raster, &h) != 0;
    const unsigned lines = p.linesWritten < p.height ? p.linesWritten : p.height;
    for (unsigned i = 0; ok && i < lines; ++i) {
      std::vector<unsigned char> line = p.Line(i);
      if (!line.empty())
        ok = cupsRasterWritePixels(raster, line.data(), static_cast<unsigned>(line.size())) == line.size();
    }
  }
  if (raster != nullptr) cupsRasterClose(raster);
  return close(fd) == 0 && ok;
}

struct FilterJob {
  std::string options;           // the options argument
  std::string jobFile;           // content of the per-job file
  std::vector<RasterPage> pages;
  bool viaStdin = false;         // raster on standard input instead of a file argument
  std::vector<std::string> env;  // added to the environment
};

struct FilterRun {
  ProcessResult process;
  PrintOutput output;
};

class FilterRunner {
 public:
  FilterRunner() {
    chmod(dir_.path().c_str(), 0755);
    mkdir(cache().c_str(), 0777);
  }
  std::string cache() const { return dir_ / "cache"; }
  std::string path(const std::string& name) const { return dir_ / name; }

  // Runs the jobs side by side; job i gets the job-id first + i.
  std::vector<FilterRun> Run(const std::vector<FilterJob>& jobs) {
    std::vector<std::future<FilterRun>> running;
    for (const FilterJob& job : jobs) {
      const std::string id = std::to_string(nextId_++);
      running.push_back(std::async(std::launch::async, [this, &job, id] { return RunOne(job, id); }));
    }
    std::vector<FilterRun> runs;
    for (auto& r : running) runs.push_back(r.get());
    return runs;
  }

 private:
  FilterRun RunOne(const FilterJob& job, const std::string& id) {
    FilterRun run;
    const std::string raster = path("job" + id + ".ras");
    EXPECT_TRUE(WriteRaster(raster, job.pages));
    EXPECT_TRUE(WriteFile(cache() + "/Print_" + id + ".log", job.jobFile));
    ProcessOptions options;
    options.env = job.env;
    options.env.push_back("KV71P_CACHE_DIR=" + cache());
    std::vector<std::string> argv = {KV71P_TEST_FILTER, id, "user", "title", "1", job.options};
    if (job.viaStdin)
      options.inputFile = raster;
    else
      argv.push_back(raster);
    run.process = RunProcess(argv, options);
    run.output = DecodePrintOutput(run.process.out);
    return run;
  }

  TestTempDir dir_;
  int nextId_ = 1;
};

// A photo as it must appear in a plane: the raster page it came from, the
// orientation it was read with, where its first stored pixel lands, the
// horizontal step of a halved width (600 x 600 dpi), and how many columns
// and rows of it fit.
struct PlacedPhoto {
  const RasterPage* page;
  int orientation;
  int x0, y0, step, cols, rows;
};

// A photo centred in slot `slot` of a print whose panels of `photoLength`
// rows are `pitch` apart; a larger one keeps its first rows and columns.
inline PlacedPhoto Place(const RasterPage& page, int orientation, int slot, int photoLength, int pitch, int step = 1) {
  const int cols = std::min(static_cast<int>(page.width) / step, 2560), rows = std::min(static_cast<int>(page.height), photoLength);
  return {&page, orientation, (2560 - cols) / 2, (photoLength - rows) / 2 + slot * pitch, step, cols, rows};
}

// Compares the three planes of print `print` with the photos laid out on
// white: plane k (yellow, magenta, cyan) carries byte 2 - k of each pixel.
// Raster line i goes to stored row H - 1 - i (upright) or i (orientation 2
// or 4, pixels mirrored); only the bytes a line has are stored, the rest of
// the photo stays 0.
inline ::testing::AssertionResult PlanesShow(const PrintOutput& out, size_t print, int pageLength,
                                             const std::vector<PlacedPhoto>& photos) {
  if (print >= out.prints.size()) return ::testing::AssertionFailure() << "no print " << print;
  for (int plane = 0; plane < 3; ++plane) {
    const PlaneImage image = out.Plane(print, plane);
    if (image.width != 2560 || image.height != pageLength)
      return ::testing::AssertionFailure() << "plane " << plane << " is " << image.width << "x"
                                           << image.height;
    std::vector<unsigned char> expected(static_cast<size_t>(2560) * pageLength, 255);
    for (const PlacedPhoto& p : photos) {
      const RasterPage& page = *p.page;
      const int width = static_cast<int>(page.width), height = static_cast<int>(page.height);
      const bool mirrored = p.orientation == 2 || p.orientation == 4;
      std::vector<unsigned char> photo(static_cast<size_t>(width) * height * 3, 0);
      const unsigned lines = page.linesWritten < page.height ? page.linesWritten : page.height;
      for (unsigned i = 0; i < lines; ++i) {
        const std::vector<unsigned char> line = page.Line(i);
        const size_t used = std::min(line.size(), static_cast<size_t>(width) * 3);
        const size_t row = mirrored ? i : height - 1 - i;
        for (size_t b = 0; b < used; ++b) {
          const size_t column = mirrored ? width - 1 - b / 3 : b / 3;
          photo[(row * width + column) * 3 + b % 3] = line[b];
        }
      }
      for (int row = 0; row < p.rows; ++row)
        for (int x = 0; x < p.cols; ++x)
          expected[static_cast<size_t>(p.y0 + row) * 2560 + p.x0 + x] =
              photo[(static_cast<size_t>(row) * width + x * p.step) * 3 + 2 - plane];
    }
    for (int row = 0; row < pageLength; ++row)
      for (int x = 0; x < 2560; ++x)
        if (Stored(image, x, row) != expected[static_cast<size_t>(row) * 2560 + x])
          return ::testing::AssertionFailure()
                 << "print " << print << " plane " << plane << " row " << row << " column " << x
                 << ": " << Stored(image, x, row) << ", expected "
                 << int(expected[static_cast<size_t>(row) * 2560 + x]);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kv71p::test
