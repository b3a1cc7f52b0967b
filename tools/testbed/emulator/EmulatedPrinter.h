// One printer of the emulator: its state, the answers it gives in the
// printer's framing, the ways it misbehaves on demand, the log of the
// command blocks it received, and the prints it makes from them (each
// takes `print-ms`, counts down the ribbon and may be rendered). Not
// thread-safe: the server serialises.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/testbed/emulator/BlockSplitter.h"

namespace kv71p::emulator {

using Clock = std::chrono::steady_clock;

// The query keys: "STATUS" for the status command, the parameter for the
// "INFO" and "MNT_RD" queries.
extern const char* const kQueryKeys[];
extern const size_t kQueryKeyCount;

struct LogEntry {
  uint64_t sequence = 0;
  int interfaceNumber = 0;
  bool junk = false;          // bytes that did not form a command block
  std::string header;         // the 32 header bytes (junk: up to 64 bytes of it)
  size_t dataLength = 0;      // data bytes behind the header (junk: bytes dropped)
  std::string dataStart;      // the first (up to 64) data bytes
};

struct EndpointDesc {
  uint8_t address;
  uint8_t attributes;
  uint16_t maxPacket;
};

// The blocks of a print received on one interface, up to its START.
struct PrintInProgress {
  bool open = false;          // a block of it arrived
  bool kept = false;          // its bytes are kept for rendering (output was set)
  long multiCut = -1;         // the last MULTICUT code, -1 without one
  std::string stream;         // the kept bytes
};

struct InterfaceState {
  uint8_t number = 0;
  std::vector<EndpointDesc> endpoints;
  uint64_t claimedBy = 0;     // connection that holds the claim, 0 = none
  std::string answer;         // bytes waiting on the bulk IN endpoint
  BlockSplitter splitter;     // bulk OUT bytes not yet forming a whole block
  bool blockInPrint = false;  // the block being received belongs to a print
  PrintInProgress print;
};

// A printed print to be rendered into `folder`.
struct PrintToRender {
  std::string stream;
  std::string folder;
};

class EmulatedPrinter : private BlockSplitter::Listener {
 public:
  explicit EmulatedPrinter(unsigned id);

  unsigned id() const { return id_; }
  bool attached = true;
  uint16_t vendor;
  uint16_t product;

  // Sets one property (docs/emulator-protocol.md). `attaching` allows the
  // properties that only an attach may give. False with a message on an
  // unknown name or a bad value.
  bool Set(const std::string& name, const std::string& value, bool attaching, std::string* error);
  // Every property as name and value, in a fixed order.
  std::vector<std::pair<std::string, std::string>> Properties() const;

  std::vector<InterfaceState>& interfaces() { return interfaces_; }
  InterfaceState* FindInterface(int number);
  uint8_t configurationValue() const { return 1; }

  bool RefusesDeviceOpen() const { return refuseOpen_ == "device" || refuseOpen_ == "both"; }
  bool RefusesInterfaceOpen() const {
    return refuseOpen_ == "interface" || refuseOpen_ == "both";
  }

  // Bulk OUT bytes on an interface at `now`: unread answer bytes are
  // dropped, whole command blocks are logged and answered, a START begins
  // a print. Sets `unplug` when a block named by "unplug-on" arrived (the
  // caller detaches the printer); `cutTransfer` when that block was a START,
  // whose transfer then fails as on a printer pulled out during it.
  void Receive(InterfaceState& itf, const char* data, size_t size, Clock::time_point now,
               bool* unplug, bool* cutTransfer);
  // The holder of `itf` let it go: what it sent and did not finish is
  // forgotten, an unfinished print discarded.
  void EndHolding(InterfaceState& itf);

  // True while a print is printing; `end` is when it will be printed.
  bool Printing(Clock::time_point* end) const;
  // Completes the print in progress when its time has come by `now`.
  void FinishPrintIfDue(Clock::time_point now);
  // The printed prints waiting for rendering, oldest first; taken away.
  std::vector<PrintToRender> TakePrintsToRender();

  // The answer to the IEEE 1284 device ID request, cut to `length` bytes.
  std::string DeviceIdAnswer(uint16_t length) const;

  const std::deque<LogEntry>& log() const { return log_; }
  // Sizes of the bulk transfers carried out, oldest first ("out:N", "in:N").
  const std::deque<std::string>& transfers() const { return transfers_; }
  // What happened to the prints, oldest first ("started:full", ...).
  const std::deque<std::string>& printEvents() const { return printEvents_; }
  void AddTransfer(bool in, size_t size);
  // How many of `offered` bulk OUT bytes the printer takes ("out-limit");
  // what it takes counts against the limit.
  size_t TakeOutBytes(size_t offered);
  void ClearLog() {
    log_.clear();
    transfers_.clear();
    printEvents_.clear();
  }

  const std::string& outputFolder() const { return output_; }

 private:
  // BlockSplitter::Listener, for the interface in receiving_.
  void OnJunk(const std::string& start, size_t dropped) override;
  void OnBlockHeader(const std::string& header, size_t dataLength) override;
  void OnBlockData(const char* data, size_t size) override;
  bool OnBlockEnd(const std::string& header, size_t dataLength,
                  const std::string& dataStart) override;

  void StartPrint(InterfaceState& itf);
  void FinishPrint();
  void AddPrintEvent(const std::string& event);
  void AddLog(LogEntry entry);
  std::string Answer(const std::string& key) const;
  std::string* Text(const std::string& name);
  // Counts a counter text down (or up) by `change`, keeping its width.
  void ChangeCounter(const std::string& name, long long change);

  unsigned id_;
  std::vector<InterfaceState> interfaces_;
  std::map<std::string, std::string> texts_;   // answer texts by property name
  int status_ = 0;
  std::string deviceId_;
  unsigned deviceIdLength_ = 0;                // 0: the true length
  std::map<std::string, std::string> frames_;  // whole answers replacing the framing
  std::vector<std::string> silent_;            // query keys left unanswered, or "all"
  std::string refuseOpen_ = "none";
  std::string unplugOn_ = "none";
  std::string output_;
  unsigned long printMs_ = 12000;
  long long outLimit_ = -1;                    // bulk OUT bytes still taken; -1: no limit
  std::deque<LogEntry> log_;
  std::deque<std::string> transfers_;
  std::deque<std::string> printEvents_;
  uint64_t nextSequence_ = 1;

  // During Receive: the interface, the time, and whether to unplug.
  InterfaceState* receiving_ = nullptr;
  Clock::time_point receivedAt_;
  bool unplugRequested_ = false;
  bool transferCut_ = false;

  // The print printing now.
  bool printing_ = false;
  Clock::time_point printEnd_;
  int printHalves_ = 2;
  int statusBeforePrint_ = 0;
  bool statusFromPrint_ = false;  // status 1 is the print's, not set by hand
  PrintToRender printToRender_;
  bool renderWhenPrinted_ = false;
  std::vector<PrintToRender> toRender_;
};

}  // namespace kv71p::emulator
