// The emulator's socket server: one thread per connection, one lock over
// every printer. Serves the bus requests of the service's emulated USB
// layer and the control requests of tests and people alike
// (docs/emulator-protocol.md).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/testbed/emulator/EmulatedPrinter.h"

namespace kv71p::emulator {

// Renders the prints of a print stream into `folder`; returns the number
// of prints rendered, or -1 with `message` set.
using PrintRenderer =
    std::function<int(const std::string& stream, const std::string& folder,
                      const std::string& prefix, unsigned firstNumber, std::string* message)>;

class EmulatorServer {
 public:
  explicit EmulatorServer(std::string socketPath);
  ~EmulatorServer();

  void SetRenderer(PrintRenderer renderer) { renderer_ = std::move(renderer); }
  // The output folder every newly attached printer starts with.
  void SetDefaultOutput(std::string folder) { defaultOutput_ = std::move(folder); }

  // Creates the listening socket (replacing a stale socket file that
  // nobody answers on). 0 or an errno value.
  int Listen();
  // Serves until `stopFd` becomes readable or a "shutdown" request came.
  void Run(int stopFd);

  // Serves one connection on the calling thread, the connected socket
  // `fd`, until its peer closes it (the socket is closed then). Run serves
  // every accepted connection this way on a thread of its own.
  void ServeConnection(int fd);

  // Caps every wait of a request (a bulk IN transfer's time-out) at
  // `milliseconds`; the protocol's own limit is 600000.
  void SetWaitLimit(unsigned long milliseconds) { waitLimit_ = milliseconds; }

 private:
  struct Connection;

  void Serve(std::shared_ptr<Connection> connection);
  std::string Dispatch(Connection& c, const std::vector<std::string>& words);

  // Bus requests.
  std::string Watch(Connection& c, const std::vector<std::string>& w);
  std::string Open(Connection& c, const std::vector<std::string>& w);
  std::string Close(Connection& c);
  std::string Interfaces(Connection& c);
  std::string Claim(Connection& c, const std::vector<std::string>& w, bool claim);
  std::string Control(Connection& c, const std::vector<std::string>& w);
  std::string BulkOut(Connection& c, const std::vector<std::string>& w);
  std::string BulkIn(Connection& c, const std::vector<std::string>& w,
                     std::unique_lock<std::mutex>& lock);

  // Control requests.
  std::string Attach(const std::vector<std::string>& w);
  std::string Detach(const std::vector<std::string>& w);
  std::string SetProperties(const std::vector<std::string>& w);
  std::string Get(const std::vector<std::string>& w);
  std::string List();
  std::string Log(const std::vector<std::string>& w);
  std::string ClearLog(const std::vector<std::string>& w);
  std::string Transfers(const std::vector<std::string>& w);
  std::string Print(const std::vector<std::string>& w, std::unique_lock<std::mutex>& lock);

  EmulatedPrinter* FindPrinter(const std::string& idText);
  EmulatedPrinter* OpenedPrinter(Connection& c);
  InterfaceState* ClaimedInterface(Connection& c, const std::string& numberText,
                                   std::string* error);
  void Unplug(EmulatedPrinter& printer);
  void Notify(const char* event, const EmulatedPrinter& printer);
  void Forget(Connection& c);
  void RenderPrint(EmulatedPrinter& printer, const std::string& print);

  std::string socketPath_;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  PrintRenderer renderer_;
  std::string defaultOutput_;
  unsigned long waitLimit_ = 600000;

  std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::map<unsigned, std::unique_ptr<EmulatedPrinter>> printers_;
  std::vector<Connection*> watchers_;
  unsigned nextPrinterId_ = 1;
  uint64_t nextConnectionId_ = 1;
  unsigned printsRendered_ = 0;
};

}  // namespace kv71p::emulator
