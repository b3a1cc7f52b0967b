// kv71p-test-cupsd: a private CUPS scheduler for trying the status service
// by hand (see the README). It runs cupsd in a temporary folder with the
// queue PPD in its model folder and the suite's backend "vexbackend", prints
// the CUPS_SERVER value that reaches it, and stops it on Ctrl-C.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "common/Kv71pConfig.h"
#include "tests/support/PrivateCupsd.h"

using namespace kv71p;

namespace {
volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }
}  // namespace

int main() {
  // Handlers, not a blocked mask: cupsd inherits the mask, and a shell may
  // start a background job with SIGINT ignored.
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);

  kv71p::test::PrivateCupsd::Options options;
  options.models.push_back({KV71P_PPD_MODEL_NAME, KV71P_TEST_PPD_FILE});
  kv71p::test::PrivateCupsd cupsd(options);
  if (!cupsd.Start()) {
    std::fprintf(stderr, "kv71p-test-cupsd: cupsd did not start (log: %s/log)\n",
                 cupsd.root().c_str());
    return 1;
  }
  std::printf("export CUPS_SERVER=%s\n", cupsd.socket().c_str());
  std::printf("# private cupsd in %s; Ctrl-C stops it and removes the folder\n",
              cupsd.root().c_str());
  std::fflush(stdout);
  while (!gStop) pause();
  return 0;
}
