// kv71p-soak: the suite's programs run for long, many printers and many
// jobs at once, with faults injected, to show leaks, races and lost or
// doubled prints (SoakRun.h tells the phases, the parts tell their checks).
//
//   kv71p-soak --seconds N [--printers 40] [--job-printers 4] [--seed S] [--report FILE]
//
// Prints the report to standard output (and into FILE). Exits with 0 when
// every check passed, 1 when one failed, 2 for a wrong command line.
// SIGINT and SIGTERM end the run early: every child process is stopped and
// the report says it was interrupted.
#include <cstdio>

#include "tests/support/Subprocess.h"
#include "tools/testbed/soak/SoakOptions.h"
#include "tools/testbed/soak/SoakReport.h"
#include "tools/testbed/soak/SoakRun.h"

int main(int argc, char** argv) {
  using namespace kv71p::soak;
  SoakOptions options;
  std::string problem;
  if (!ParseSoakOptions(argc, argv, &options, &problem)) {
    std::fprintf(stderr, "kv71p-soak: %s\n%s", problem.c_str(), kSoakUsage);
    return 2;
  }
  std::printf("kv71p-soak: %d s with %d printers (%d with jobs), seed %llu\n", options.seconds,
              options.printers, options.jobPrinters, static_cast<unsigned long long>(options.seed));
  std::fflush(stdout);
  SoakReport report;
  RunSoak(options, &report);
  const std::string text = report.Text();
  std::fputs(text.c_str(), stdout);
  if (!options.reportFile.empty() && !kv71p::test::WriteFile(options.reportFile, text)) {
    std::fprintf(stderr, "kv71p-soak: cannot write %s\n", options.reportFile.c_str());
    return 1;
  }
  return report.AllPass() ? 0 : 1;
}
