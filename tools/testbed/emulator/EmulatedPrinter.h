// One printer of the emulator: its state, the answers it gives in the
// printer's framing, the ways it misbehaves on demand, and the log of the
// command blocks it received. Not thread-safe: the server serialises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kv71p::emulator {

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

struct InterfaceState {
  uint8_t number = 0;
  std::vector<EndpointDesc> endpoints;
  uint64_t claimedBy = 0;     // connection that holds the claim, 0 = none
  std::string answer;         // bytes waiting on the bulk IN endpoint
  std::string received;       // bulk OUT bytes not yet forming a whole block
};

class EmulatedPrinter {
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

  // Bulk OUT bytes on an interface: unread answer bytes are dropped, whole
  // command blocks are logged and answered. Sets `unplug` when a block
  // named by "unplug-on" arrived (the caller detaches the printer).
  void Receive(InterfaceState& itf, const std::string& bytes, bool* unplug);

  // The answer to the IEEE 1284 device ID request, cut to `length` bytes.
  std::string DeviceIdAnswer(uint16_t length) const;

  const std::deque<LogEntry>& log() const { return log_; }
  // Sizes of the bulk transfers carried out, oldest first ("out:N", "in:N").
  const std::deque<std::string>& transfers() const { return transfers_; }
  void AddTransfer(bool in, size_t size);
  void ClearLog() {
    log_.clear();
    transfers_.clear();
  }

  // Called with the bytes of one print (the setting, image and start
  // blocks up to and including "CNTRL START").
  std::function<void(EmulatedPrinter&, const std::string& print)> onPrint;
  const std::string& outputFolder() const { return output_; }

 private:
  void HandleBlock(InterfaceState& itf, const std::string& block, bool* unplug);
  void AddLog(LogEntry entry);
  std::string Answer(const std::string& key) const;
  std::string* Text(const std::string& name);

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
  std::string printStream_;
  std::deque<LogEntry> log_;
  std::deque<std::string> transfers_;
  uint64_t nextSequence_ = 1;
};

}  // namespace kv71p::emulator
