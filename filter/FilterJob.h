// The filter's whole job as a function, so the program and in-process
// callers (tests, fuzzing) run the same code.
#pragma once

#include <memory>

#include "filter/BlockWriter.h"
#include "filter/DeviceEntry.h"

namespace kv71p::filter {

// How the job waits for its per-job file: tested `attempts` times, each
// test followed by a pause of `pauseMs` milliseconds (the filter program:
// 120 tests, one second apart).
struct JobFileWait {
  int attempts = 120;
  unsigned pauseMs = 1000;
};

// Makes the printer model the job composes for, writing to `output`.
using ModelMaker = std::unique_ptr<DeviceEntry> (*)(BlockWriter& output);

// Runs one job with the filter's arguments
//   argv[0] job-id user title copies options [file]
// reading the raster from `inputFd` and writing the printer's command
// stream to `outputFd` (neither is closed). SIGTERM cancels the job: the
// handler is installed here. Returns the program's exit status: 0 after a
// job (also a cancelled one), 1 for a wrong argument count or an output
// that failed before the job was complete. The model is the KV-71P's
// unless `makeModel` makes another (fuzzing uses a smaller media table).
int RunFilterJob(int argc, char* argv[], int inputFd, int outputFd,
                 const JobFileWait& wait = JobFileWait(), ModelMaker makeModel = nullptr);

}  // namespace kv71p::filter
