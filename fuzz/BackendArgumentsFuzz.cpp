// Fuzz target: the backend's command line and environment as CUPS (or a
// local user running it by hand) hands them over: any argument count, job
// id, copies and device URI, any reconnect setting. A job it accepts has a
// job number for a per-job file name and a serial number that is usable as
// a file name part; the texts it reports quote every character safely.
//
// Input: a byte choosing the argument count (1 to 7) and whether
// DEVICE_URI is set, then NUL-separated texts: argv[0] to argv[6],
// DEVICE_URI, KV71P_RECONNECT_SECONDS.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "backend/BackendArguments.h"
#include "backend/CupsMessages.h"
#include "common/SerialNumber.h"
#include "fuzz/FuzzSupport.h"

using kv71p::fuzz::Require;
using namespace kv71p::backend;

namespace {

// Every character below a space is replaced and every quote and backslash
// escaped, so a reported text cannot end its quotes or its line.
bool SafelyQuoted(const std::string& quoted) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(quoted[i]);
    if (c < 0x20) return false;
    if (c == '\\') {
      if (i + 2 >= quoted.size() || (quoted[i + 1] != '\\' && quoted[i + 1] != '"')) return false;
      ++i;
    } else if (c == '"') {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv71p::fuzz::InputReader in(data, size);
  const uint8_t choice = in.Byte();
  const int argc = 1 + choice % 7;
  std::vector<std::string> texts;
  for (int i = 0; i < 7; ++i) texts.push_back(in.Until('\0'));
  const std::string uri = in.Until('\0'), reconnect = in.Until('\0');
  if (choice & 0x80)
    setenv("DEVICE_URI", uri.c_str(), 1);
  else
    unsetenv("DEVICE_URI");
  setenv("KV71P_RECONNECT_SECONDS", reconnect.c_str(), 1);

  std::vector<char*> argv;
  for (int i = 0; i < argc; ++i) argv.push_back(texts[i].data());
  argv.push_back(nullptr);
  JobArguments job;
  std::string problem;
  // libcups reports a device URI it cannot split on standard error; the
  // run's log would fill with them.
  static const int kLog = dup(2), kNull = open("/dev/null", O_WRONLY);
  dup2(kNull, 2);
  const Invocation invocation = ParseArguments(argc, argv.data(), &job, &problem);
  dup2(kLog, 2);

  Require(invocation != Invocation::Discovery || argc == 1, "discovery with arguments");
  if (invocation == Invocation::Job) {
    Require(!job.jobId.empty() && job.jobId.size() <= 10 &&
                job.jobId.find_first_not_of("0123456789") == std::string::npos,
            "an accepted job id is not a job number");
    Require(kv71p::IsUsableSerialNumber(job.serialNo), "an accepted serial number is not usable");
    Require(job.copies >= 1, "fewer than one copy");
    Require(argc == 7 || job.file.empty(), "a file without a file argument");
  }
  if (invocation == Invocation::Refused) Require(!problem.empty(), "a refusal without its reason");
  Require(SafelyQuoted(QuotedText(problem)) && SafelyQuoted(QuotedText(uri)), "a text leaves its quotes");
  Require(ReconnectBound() <= std::chrono::hours(24 * 7), "a reconnect bound past a week");
  return 0;
}
