// kv71p-emulator: the KV-71P printer emulator.
//
//   kv71p-emulator [--socket PATH] [--output DIR]      serve printers on PATH
//   kv71p-emulator [--socket PATH] send WORD...         one request, print the reply
//   kv71p-emulator [--socket PATH] write ID FILE        send a file to printer ID over the bus
//
// PATH defaults to $KV71P_USB_EMULATOR. The protocol is in
// docs/emulator-protocol.md.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/usb/EmulatorConnection.h"
#include "platform/usb/EmulatorWire.h"
#include "tools/testbed/emulator/BusWriter.h"
#include "tools/testbed/emulator/EmulatorServer.h"
#include "tools/testbed/emulator/PrintRendering.h"

namespace {

int gStopFds[2] = {-1, -1};

void OnStopSignal(int) {
  const char c = 's';
  if (write(gStopFds[1], &c, 1) < 0) {
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: kv71p-emulator [--socket PATH] [--output DIR]\n"
               "       kv71p-emulator [--socket PATH] send WORD...\n"
               "       kv71p-emulator [--socket PATH] write ID FILE\n"
               "PATH defaults to $KV71P_USB_EMULATOR.\n");
  return 2;
}

// One word of a request from one command-line argument: "name=value"
// keeps its name and gets its value quoted as needed; any other argument
// is quoted as a whole.
std::string RequestWord(const std::string& argument) {
  std::string name, value;
  if (kv71p::wire::SplitNameValue(argument, &name, &value) &&
      name.find_first_of(" \t\"\\") == std::string::npos)
    return kv71p::wire::NameValue(name, value);
  return kv71p::wire::QuoteWord(argument);
}

int Send(const std::string& socketPath, const std::vector<std::string>& args) {
  kv71p::EmulatorConnection connection;
  if (const int error = connection.Connect(socketPath)) {
    std::fprintf(stderr, "kv71p-emulator: cannot connect to %s: %s\n", socketPath.c_str(),
                 std::strerror(error));
    return 2;
  }
  std::string request;
  for (const std::string& a : args) request += (request.empty() ? "" : " ") + RequestWord(a);
  std::string reply;
  if (!connection.Request(request, &reply, -1)) {
    std::fprintf(stderr, "kv71p-emulator: no reply\n");
    return 2;
  }
  std::printf("%s\n", reply.c_str());
  const bool ok = reply == "OK" || reply.compare(0, 3, "OK ") == 0;
  if (ok && args[0] == "log") {
    unsigned long count = 0;
    kv71p::wire::ParseNumber(reply.substr(3), 100000000ul, &count);
    for (unsigned long i = 0; i < count && connection.ReadLine(&reply, -1) == 1; ++i)
      std::printf("%s\n", reply.c_str());
  }
  if (ok && args[0] == "watch") {
    // Events until the emulator ends or the person presses Ctrl-C.
    std::fflush(stdout);
    while (connection.ReadLine(&reply, -1) == 1) {
      std::printf("%s\n", reply.c_str());
      std::fflush(stdout);
    }
  }
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* env = std::getenv("KV71P_USB_EMULATOR");
  std::string socketPath = env ? env : "";
  std::string output;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--socket" && i + 1 < argc)
      socketPath = argv[++i];
    else if (a == "--output" && i + 1 < argc)
      output = argv[++i];
    else if (a == "--help" || a == "-h")
      return Usage();
    else
      break;
  }
  if (socketPath.empty()) return Usage();
  if (i < argc) {
    const std::string command = argv[i];
    unsigned long id = 0;
    if (command == "write" && i + 3 == argc &&
        kv71p::wire::ParseNumber(argv[i + 1], 0xFFFFFFFFul, &id))
      return kv71p::emulator::WriteFileToPrinter(socketPath, id, argv[i + 2]);
    if (command != "send" || i + 1 >= argc) return Usage();
    return Send(socketPath, std::vector<std::string>(argv + i + 1, argv + argc));
  }

  if (pipe2(gStopFds, O_CLOEXEC) != 0) return 1;
  signal(SIGPIPE, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  int status = 0;
  {
    kv71p::emulator::EmulatorServer server(socketPath);
    server.SetDefaultOutput(output);
    server.SetRenderer(kv71p::emulator::RenderPrints);
    if (const int error = server.Listen()) {
      std::fprintf(stderr, "kv71p-emulator: cannot listen on %s: %s\n", socketPath.c_str(),
                   std::strerror(error));
      status = 1;
    } else {
      std::printf("kv71p-emulator: listening on %s\n", socketPath.c_str());
      std::fflush(stdout);
      server.Run(gStopFds[0]);
    }
  }
  std::fflush(stdout);
  // Connection threads may still sit in their reads: leave without running
  // the destructors of static objects under them.
  _exit(status);
}
