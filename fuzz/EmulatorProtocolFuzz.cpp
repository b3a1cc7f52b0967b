// Fuzz target: the emulator's control protocol. The input is what one
// client sends on its connection (request lines of quoted words, numbers
// and hex, and the raw bytes behind "bulkout-raw" lines); the server parses
// and serves it on a connected socket pair, against printers the same input
// attaches, while the replies are drained. Prints the input starts are cut
// short when the server goes at the end of the run.
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "fuzz/FuzzSupport.h"
#include "tools/testbed/emulator/EmulatorServer.h"

namespace {

// Writes everything, then ends the client's sending side.
void Send(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  shutdown(fd, SHUT_WR);
}

void Drain(int fd) {
  char buffer[65536];
  while (recv(fd, buffer, sizeof buffer, 0) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
    kv71p::fuzz::Fail("socketpair");
  kv71p::emulator::EmulatorServer server("");
  // Bulk IN transfers wait for an answer that nobody else will give; a
  // short wait keeps each run fast without changing what is parsed.
  server.SetWaitLimit(2);
  std::thread client([&] {
    std::thread drain(Drain, fds[0]);
    Send(fds[0], data, size);
    drain.join();
    close(fds[0]);
  });
  server.ServeConnection(fds[1]);  // closes fds[1]
  client.join();
  return 0;
}
