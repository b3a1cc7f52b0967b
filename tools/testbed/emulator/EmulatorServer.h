// The emulator's socket server: one thread per connection, one lock over
// every printer, a clock thread that ends the prints when their time has
// come. Serves the bus requests of the service's emulated USB layer and
// the control requests of tests and people alike
// (docs/emulator-protocol.md).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/testbed/emulator/EmulatedPrinter.h"
#include "tools/testbed/emulator/RenderQueue.h"

namespace kv71p::emulator {

class EmulatorServer {
 public:
  explicit EmulatorServer(std::string socketPath);
  // Ends every connection and waits until their threads are done with the
  // server; removes the socket file.
  ~EmulatorServer();
  EmulatorServer(const EmulatorServer&) = delete;
  EmulatorServer& operator=(const EmulatorServer&) = delete;

  void SetRenderer(PrintRenderer renderer) { renderQueue_.SetRenderer(std::move(renderer)); }
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
  // `payload`: the raw bytes that followed a bulkout-raw line.
  std::string Dispatch(Connection& c, const std::vector<std::string>& words,
                       const std::string* payload);

  // Bus requests.
  std::string Watch(Connection& c, const std::vector<std::string>& w);
  std::string Open(Connection& c, const std::vector<std::string>& w);
  std::string Close(Connection& c);
  std::string Interfaces(Connection& c);
  std::string Claim(Connection& c, const std::vector<std::string>& w, bool claim);
  std::string Control(Connection& c, const std::vector<std::string>& w);
  std::string BulkOut(Connection& c, const std::vector<std::string>& w);
  std::string BulkOutRaw(Connection& c, const std::vector<std::string>& w,
                         const std::string& payload);
  std::string Deliver(Connection& c, const std::string& interfaceText, unsigned long endpoint,
                      const char* data, size_t size);
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
  std::string Prints(const std::vector<std::string>& w);
  std::string Print(const std::vector<std::string>& w, std::unique_lock<std::mutex>& lock);

  EmulatedPrinter* FindPrinter(const std::string& idText);
  EmulatedPrinter* OpenedPrinter(Connection& c);
  InterfaceState* ClaimedInterface(Connection& c, const std::string& numberText,
                                   std::string* error);
  void Unplug(EmulatedPrinter& printer);
  // Ends the claim of `itf` held by a connection.
  void EndClaim(EmulatedPrinter& printer, InterfaceState& itf);
  void Notify(const char* event, const EmulatedPrinter& printer);
  void Forget(Connection& c);

  // Ends every print whose time has come and queues the printed ones for
  // rendering. Called under the lock.
  void FinishDuePrints();
  void RunPrintClock();

  std::string socketPath_;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};
  RenderQueue renderQueue_;
  std::string defaultOutput_;
  unsigned long waitLimit_ = 600000;

  std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::condition_variable printClockWake_;
  std::condition_variable servingDone_;
  std::set<Connection*> serving_;  // connections whose thread is serving
  bool stopping_ = false;
  std::map<unsigned, std::unique_ptr<EmulatedPrinter>> printers_;
  std::vector<Connection*> watchers_;
  unsigned nextPrinterId_ = 1;
  uint64_t nextConnectionId_ = 1;

  std::thread printClock_;  // last: started once everything above is there
};

}  // namespace kv71p::emulator
