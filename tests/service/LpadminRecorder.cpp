// kv71p-test-lpadmin: stands in for lpadmin in the service's tests (the
// test puts it first in PATH under the name "lpadmin"). It appends its
// arguments to $KV71P_TEST_LPADMIN_LOG, one line per call, each argument
// as hex digits, so the test sees exactly what the service passed; then it
// runs the real lpadmin ($KV71P_TEST_REAL_LPADMIN) with the same
// arguments, but only against a private scheduler (CUPS_SERVER a socket
// path), never the machine's own.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    for (const char* p = argv[i]; *p != '\0'; ++p) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(*p));
      line += hex;
    }
    if (argv[i][0] == '\0') line += "-";
  }
  line += '\n';
  if (const char* log = std::getenv("KV71P_TEST_LPADMIN_LOG")) {
    const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 3;
      close(fd);
    }
  }
  const char* real = std::getenv("KV71P_TEST_REAL_LPADMIN");
  const char* server = std::getenv("CUPS_SERVER");
  if (real == nullptr || *real == '\0' || server == nullptr || server[0] != '/') return 0;
  argv[0] = const_cast<char*>(real);
  execv(real, argv);
  return 127;
}
