// rastertokv71p: the KV-71P's CUPS filter.
//
//   rastertokv71p job-id user title copies options [file]
//
// Reads CUPS raster pages (8-bit RGB) from `file` or standard input, runs
// every page through the colour pipeline, places each photo once per copy
// into the layout of the loaded media and writes the printer's command
// stream to standard output. The queue's PPD is named by the environment
// variable PPD; the media loaded in the printer comes from the per-job file
// that the queue's backend leaves in the cache folder. Nothing but printer
// data is ever written; the filter writes nothing to standard error.
//
// Exit status: 0 after a job (also a cancelled one), 1 for a wrong argument
// count, an input file that cannot be opened, or an output that failed
// before the job was complete.
#include <fcntl.h>
#include <unistd.h>

#include "filter/FilterJob.h"

int main(int argc, char* argv[]) {
  if (argc != 6 && argc != 7) return 1;
  int fd = 0;
  if (argc == 7) {
    fd = open(argv[6], O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      sleep(1);
      return 1;
    }
  }
  const int status = kv71p::filter::RunFilterJob(argc, argv, fd, 1);
  if (fd > 0) close(fd);
  return status;
}
