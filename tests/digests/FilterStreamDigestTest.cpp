// Golden digests of whole filter jobs: the command stream of a few jobs
// (default settings, tone and chroma adjusted with a border, 600 dpi, colour
// matching through a matrix/shaper and through a LUT profile, two pages
// with copies laid out two per print), made in-process from raster written
// here, at every vector level. The digests are kept in filter-streams.sha256
// with those of the generated profiles, so that on another machine a
// changed stream of a colour-matched job can be told apart from a profile
// that came out differently.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "filter/FilterJob.h"
#include "tests/digests/DigestPictures.h"
#include "tests/digests/GoldenDigests.h"
#include "tests/filter/RasterWriter.h"
#include "tests/support/TestTempDir.h"
#include "tools/testbed/testprofiles/TestProfiles.h"

namespace {

using kv71p::test::DigestList;

struct Page {
  unsigned width, height, dpi, copies;
  bool photoLike;
};

// The pages as compressed CUPS raster in `path`, opened for reading.
int RasterFile(const std::string& path, const std::vector<Page>& pages) {
  std::vector<kv71p::test::RasterPage> raster;
  for (size_t i = 0; i < pages.size(); ++i) {
    const Page& p = pages[i];
    kv71p::test::RasterPage page;
    page.width = p.width;
    page.height = p.height;
    page.copies = p.copies;
    page.dpiX = page.dpiY = p.dpi;
    const std::string pixels = kv71p::test::TestPicture(p.width, p.height, p.photoLike, i + 7);
    page.fill = [pixels](unsigned line, std::vector<unsigned char>& bytes) {
      pixels.copy(reinterpret_cast<char*>(bytes.data()), bytes.size(), size_t{line} * bytes.size());
    };
    raster.push_back(page);
  }
  EXPECT_TRUE(kv71p::test::WriteRaster(path, raster));
  return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

// Everything written to a memory file.
std::string FileBytes(int fd) {
  std::string bytes;
  char piece[65536];
  lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = read(fd, piece, sizeof piece)) > 0;) bytes.append(piece, static_cast<size_t>(n));
  return bytes;
}

// The command stream of one job run as job 1 with its per-job file.
std::string RunJob(const std::string& cache, std::string options, const std::string& jobFile,
                   const std::vector<Page>& pages) {
  std::ofstream(cache + "/Print_1.log") << jobFile;
  const int input = RasterFile(cache + "/job.ras", pages), output = memfd_create("stream", MFD_CLOEXEC);
  char program[] = "rastertokv71p", id[] = "1", user[] = "user", title[] = "title", copies[] = "1";
  char* argv[] = {program, id, user, title, copies, options.data(), nullptr};
  const int status = kv71p::filter::RunFilterJob(6, argv, input, output, kv71p::filter::JobFileWait{1, 0});
  std::string stream = status == 0 ? FileBytes(output) : "exit status " + std::to_string(status);
  close(input);
  close(output);
  return stream;
}

// A generated profile's bytes with the creation date of its header (bytes
// 24 to 35) zeroed: the one part that changes from run to run, and one
// the colour engine does not use for a transform.
std::string ProfileWithoutDate(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 36) bytes.replace(24, 12, 12, '\0');
  return bytes;
}

TEST(FilterStreamDigest, WholeJobsMatchTheGoldenDigests) {
  const TestCacheDir folder("");
  setenv("PPD", KV71P_DIGESTS_PPD, 1);
  const std::string matrix = folder / "matrix.icc", lut = folder / "lut.icc";
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::MatrixShaperRgb, matrix));
  ASSERT_TRUE(kv71p::WriteTestProfile(kv71p::TestProfileKind::LutRgb, lut));
  // Colour matching is off where no profile is named: the printer's own
  // profile may be installed on one machine and not on another.
  const struct {
    const char* name;
    std::string options, jobFile;
    std::vector<Page> pages;
  } jobs[] = {
      {"defaults without colour matching", "VexICM=None", "", {{320, 240, 300, 1, true}}},
      {"tone, chroma, sharpness, border",
       "VexICM=None VexColorAdjustment=Enable VexGammaR=30 VexGammaG=-20 VexBrightnessR=10 VexBrightnessB=-20 "
       "VexContrastG=20 VexContrastB=-30 VexChroma=40 VexSharpness=3 VexBorder=Enable",
       "", {{300, 200, 300, 1, true}}},
      {"600x600dpi", "VexICM=None Resolution=600x600dpi VexSharpness=-2", "", {{400, 300, 600, 1, true}}},
      {"matrix/shaper profile", "VexICCProfile=" + matrix, "", {{256, 192, 300, 1, true}}},
      {"LUT profile", "VexICCProfile=" + lut, "", {{256, 192, 300, 1, true}}},
      {"two pages, copies, two per print", "VexICM=None VexSharpness=8", "MEDIA_SIZE=\"00500\"\n",
       {{200, 150, 300, 3, true}, {97, 61, 300, 1, false}}},
  };
  kv71p::test::CheckAtEveryVectorLevel(KV71P_DIGESTS_FILTER_STREAMS, [&] {
    DigestList digests;
    for (const auto& job : jobs) {
      const std::string stream = RunJob(folder.cache(), job.options, job.jobFile, job.pages);
      EXPECT_GT(stream.size(), 1000u) << job.name << ": " << stream;
      digests.emplace_back(job.name, kv71p::test::Sha256Hex(stream));
    }
    digests.emplace_back("profile matrix/shaper, date zeroed", kv71p::test::Sha256Hex(ProfileWithoutDate(matrix)));
    digests.emplace_back("profile LUT, date zeroed", kv71p::test::Sha256Hex(ProfileWithoutDate(lut)));
    return digests;
  });
  unsetenv("PPD");
}

}  // namespace
