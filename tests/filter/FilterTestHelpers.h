// Fixtures of the filter's job logic: job option lists, small PPD files with
// chosen defaults and the settings read from both, a private cache folder
// with per-job files, the capture of what the job object writes.
#pragma once

#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "filter/DeviceEntry_KV71P.h"
#include "filter/FdBlockWriter.h"
#include "filter/JobSettingsFromOptions.h"
#include "platform/cups/CupsOptionList.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace kv71p::test {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// A job's option list.
class JobOptions : public CupsOptionList {
 public:
  explicit JobOptions(const Pairs& pairs = {}) {
    for (const auto& [name, value] : pairs) Add(name.c_str(), value.c_str());
  }
};

// A PPD file whose options have the given default choices, opened with
// libcups (null ppd() when `defaults` is empty).
class TestPpd {
 public:
  explicit TestPpd(const Pairs& defaults) {
    if (defaults.empty()) return;
    std::string text = "*PPD-Adobe: \"4.3\"\n";
    for (const auto& [keyword, value] : defaults)
      text += "*OpenUI *" + keyword + "/" + keyword + ": PickOne\n*Default" + keyword + ": " + value + "\n*" + keyword +
              " " + value + "/" + value + ": \"\"\n*CloseUI: *" + keyword + "\n";
    WriteFile(dir_ / "test.ppd", text);
    ppd_ = ppdOpenFile((dir_ / "test.ppd").c_str());
  }
  ~TestPpd() {
    if (ppd_) ppdClose(ppd_);
  }
  TestPpd(const TestPpd&) = delete;
  TestPpd& operator=(const TestPpd&) = delete;
  ppd_file_t* ppd() const { return ppd_; }

 private:
  TestTempDir dir_;
  ppd_file_t* ppd_ = nullptr;
};

// A temporary file that receives the job object's output.
class CapturedOutput {
 public:
  CapturedOutput() = default;
  CapturedOutput(const CapturedOutput&) = delete;
  ~CapturedOutput() { std::fclose(file_); }
  int fd() const { return fileno(file_); }
  // Everything written since the last call.
  std::string Take() {
    std::string all;
    char buffer[4096];
    lseek(fd(), 0, SEEK_SET);
    for (ssize_t n; (n = read(fd(), buffer, sizeof buffer)) > 0;) all.append(buffer, static_cast<size_t>(n));
    lseek(fd(), 0, SEEK_SET);
    return ftruncate(fd(), 0) == 0 ? all : "<truncate failed>";
  }

 private:
  FILE* file_ = std::tmpfile();
};

// A job object of the KV-71P (207 x 105 mm, code 33, until told otherwise)
// whose blocks are captured.
struct CapturedJob {
  CapturedOutput out;
  filter::FdBlockWriter writer{out.fd()};
  filter::DeviceEntry_KV71P entry{writer};
  CapturedJob() { entry.SetSettings(filter::JobSettings()); }
};

// The settings of the colour pipeline's steps.
struct ColorSettings {
  bool border, icm, adjust;
  int gamma[3], brightness[3], contrast[3];
  int sharpness, chroma;
};
// Every step switched on and changing the image.
inline constexpr ColorSettings kEverything = {true, true, true, {141, 100, 70}, {20, -20, 0}, {100, 0, -100}, 750, 200};

inline void Apply(filter::JobSettings& j, const ColorSettings& s, const std::string& profile) {
  j.border = s.border;
  j.icm = s.icm;
  j.iccProfile = profile;
  j.colorAdjustment = s.adjust;
  for (int k = 0; k < 3; ++k) j.gamma[k] = s.gamma[k], j.brightness[k] = s.brightness[k], j.contrast[k] = s.contrast[k];
  j.sharpness = s.sharpness;
  j.chroma = s.chroma;
}

// Every setting of `s` but the page size name, as text.
inline std::string SettingsText(const filter::JobSettings& s) {
  std::string text = std::to_string(s.resolutionMode) + " " + std::to_string(s.resolutionDpi);
  for (const int64_t v : {int64_t{s.border}, int64_t{s.icm}, int64_t{s.sharpness}, int64_t{s.colorAdjustment}, int64_t{s.chroma},
                          int64_t{s.twoInchCut}, s.overcoatFinish, int64_t{s.printRetry}, int64_t{s.printSpeed}})
    text += " " + std::to_string(v);
  for (int k = 0; k < 3; ++k)
    text += " " + std::to_string(s.gamma[k]) + "," + std::to_string(s.brightness[k]) + "," + std::to_string(s.contrast[k]);
  return text + " " + s.iccProfile;
}

// The settings read from job options and PPD defaults (no PPD when empty).
inline filter::JobSettings SettingsOf(const Pairs& job, const Pairs& ppdDefaults = {}) {
  const JobOptions options(job);
  const TestPpd ppd(ppdDefaults);
  return filter::JobSettingsFromOptions(filter::PrintOptions(options.count(), options.options(), ppd.ppd()));
}

}  // namespace kv71p::test

#pragma GCC diagnostic pop
