// kv71p-test-lpadmin: stands in for lpadmin in the service's tests (the
// test puts it first in PATH under the name "lpadmin"). It appends its
// arguments to $KV71P_TEST_LPADMIN_LOG, one line per call, each argument
// ended by a NUL byte, so the test sees exactly what the service passed.
// While "$KV71P_TEST_LPADMIN_LOG.fail" exists it then exits with status 1;
// otherwise it runs the real lpadmin ($KV71P_TEST_REAL_LPADMIN) with the
// same arguments, but only against a private scheduler (CUPS_SERVER a
// socket path), never the machine's own.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) line.append(argv[i]).push_back('\0');
  line += '\n';
  if (const char* log = std::getenv("KV71P_TEST_LPADMIN_LOG")) {
    FILE* f = std::fopen(log, "a");
    if (f == nullptr || std::fwrite(line.data(), 1, line.size(), f) != line.size()) return 3;
    std::fclose(f);
    if (access((std::string(log) + ".fail").c_str(), F_OK) == 0) return 1;
  }
  const char* real = std::getenv("KV71P_TEST_REAL_LPADMIN");
  const char* server = std::getenv("CUPS_SERVER");
  if (real == nullptr || *real == '\0' || server == nullptr || server[0] != '/') return 0;
  argv[0] = const_cast<char*>(real);
  execv(real, argv);
  return 127;
}
