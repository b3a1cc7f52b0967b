// Runs the filter program as CUPS runs it: the five or six arguments, the
// per-job file in a private cache folder, CUPS raster that the test writes
// (as a file argument or on standard input); its output decoded. Jobs of
// one table run side by side, because every job waits at least a second
// for its per-job file.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "tests/filter/PrintOutput.h"
#include "tests/filter/RasterWriter.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace kv71p::test {

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
