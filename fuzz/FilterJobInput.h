// What the two filter targets share: their input (options text, NUL,
// per-job file text, NUL, raster bytes; "@ICC@" in the options stands for
// a printer profile written at start), the bounds that keep a run short,
// and files in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "filter/FilterJob.h"

namespace kv71p::fuzz {

// How the queue's PPD reaches the filter: opened by it in every job as in
// a queue, or read once here, its options' defaults put in front of each
// job's options (the same values reach the filter, without parsing the PPD
// in every run).
enum class PpdUse { OpenedByTheFilter, DefaultsAsJobOptions };

// Sets up the run: a folder of its own as the cache folder, the queue's
// PPD, a LUT printer profile. Call once, from LLVMFuzzerInitialize.
void InitFilterRun(const char* name, const char* ppdFile, PpdUse use);

// The parts of one input, the profile path put in for "@ICC@".
struct FilterJobInput {
  std::string options;
  std::string jobFile;
  std::string raster;
};
FilterJobInput SplitFilterJobInput(const uint8_t* data, size_t size);

// Runs the filter's job 1 on `job` without waiting for its per-job file
// (written before, removed after), the output going to `outputFd`, for the
// model of `makeModel` (null: the KV-71P); the job's exit status.
int RunFilterJobOn(FilterJobInput& job, int outputFd, filter::ModelMaker makeModel = nullptr);

// Limits on the pages of one run: pages the filter would process at more
// than maxSide pixels a side, with more than maxPhotos photos in all, more
// than maxPages pages, or pages of more than maxPageBytes bytes or lines
// of more than maxLineBytes make an input too slow to keep. Pages the filter refuses by its own bounds are
// kept: it skips them.
struct RunBounds {
  unsigned maxSide;
  unsigned maxPages;
  uint64_t maxPhotos;
  uint64_t maxPageBytes;
  uint64_t maxLineBytes;
};
bool WithinRunBounds(const std::string& raster, const RunBounds& bounds);

// A file in memory holding `bytes`, positioned at its start.
int MemoryFile(const char* name, const std::string& bytes);

}  // namespace kv71p::fuzz
