// The emulated bus: every device operation is one request on a connection
// to the printer emulator (docs/emulator-protocol.md). Each opened device
// has its own connection, which is the holder of its interface claims.
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "platform/usb/EmulatorConnection.h"
#include "platform/usb/EmulatorWire.h"
#include "platform/usb/UsbBus.h"

namespace kv71p {

namespace {

// The client waits this much longer than a transfer's own time-out before
// it takes the emulator for gone.
constexpr int kReplyMargin = 5000;
constexpr int kPlainReplyTimeout = 10000;
// The longest bulk transfer the emulator takes in one request.
constexpr size_t kLongestTransfer = 16u * 1024 * 1024;

int ResultFromName(const std::string& name) {
  static const int codes[] = {kUsbErrorIo,       kUsbErrorInvalidParam, kUsbErrorAccess,
                              kUsbErrorNoDevice, kUsbErrorNotFound,     kUsbErrorBusy,
                              kUsbErrorTimeout,  kUsbErrorOverflow,     kUsbErrorPipe,
                              kUsbErrorInterrupted, kUsbErrorNoMemory,  kUsbErrorNotSupported};
  for (int code : codes)
    if (name == UsbResultName(code)) return code;
  return kUsbErrorOther;
}

// The connection of one opened device, shared by the device and its
// interface handles.
struct Link {
  std::mutex mutex;
  EmulatorConnection connection;

  // Sends a request and splits the reply into words. Returns kUsbSuccess
  // for "OK", kUsbErrorTimeout for "TIMEOUT", the named code for "ERR",
  // kUsbErrorNoDevice when the emulator is gone.
  int Call(const std::string& request, std::vector<std::string>* words, int timeoutMs) {
    return Call(request, nullptr, 0, words, timeoutMs);
  }
  // The same with raw bytes behind the request line.
  int Call(const std::string& request, const void* data, size_t size,
           std::vector<std::string>* words, int timeoutMs) {
    std::lock_guard<std::mutex> lock(mutex);
    words->clear();
    std::string reply;
    if (!connection.Connected() || !connection.Request(request, data, size, &reply, timeoutMs))
      return kUsbErrorNoDevice;
    if (!wire::SplitWords(reply, words) || words->empty()) return kUsbErrorIo;
    const std::string& head = (*words)[0];
    if (head == "OK") return kUsbSuccess;
    if (head == "TIMEOUT") return kUsbErrorTimeout;
    if (head == "ERR" && words->size() > 1) return ResultFromName((*words)[1]);
    return kUsbErrorIo;
  }
};

class EmulatedInterface : public UsbInterface {
 public:
  EmulatedInterface(const UsbInterfaceInfo& info, std::shared_ptr<Link> link)
      : UsbInterface(info), link_(std::move(link)) {}
  ~EmulatedInterface() override {
    while (OpenCount() > 0) Close();
  }

 protected:
  int Claim() override { return Simple("claim"); }
  int Release() override { return Simple("release"); }

  int DoControl(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                unsigned char* data, uint16_t length, int* lengthDone,
                unsigned timeoutMs) override {
    std::vector<std::string> words;
    const int r = link_->Call("control " + Number() + " " + std::to_string(requestType) + " " +
                                  std::to_string(request) + " " + std::to_string(value) + " " +
                                  std::to_string(index) + " " + std::to_string(length) + " " +
                                  std::to_string(timeoutMs),
                              &words, static_cast<int>(timeoutMs) + kReplyMargin);
    return TakeData(r, words, data, length, lengthDone);
  }

  int DoBulkOut(uint8_t endpoint, const unsigned char* data, int count, int* transferred,
                unsigned timeoutMs) override {
    // The data goes as raw bytes behind the request line, in pieces the
    // emulator takes (a transfer of 16 MiB at most).
    size_t done = 0;
    const size_t total = static_cast<size_t>(count);
    int r = kUsbSuccess;
    do {
      const size_t piece = std::min(total - done, kLongestTransfer);
      std::vector<std::string> words;
      r = link_->Call("bulkout-raw " + Number() + " " + std::to_string(endpoint) + " " +
                          std::to_string(timeoutMs) + " " + std::to_string(piece),
                      data + done, piece, &words, static_cast<int>(timeoutMs) + kReplyMargin);
      unsigned long sent = 0;
      if ((r == kUsbSuccess || r == kUsbErrorTimeout) && words.size() > 1 &&
          wire::ParseNumber(words[1], piece, &sent))
        done += sent;
      if (sent < piece) break;
    } while (r == kUsbSuccess && done < total);
    *transferred = static_cast<int>(done);
    return r;
  }

  int DoBulkIn(uint8_t endpoint, unsigned char* data, int count, int* transferred,
               unsigned timeoutMs) override {
    std::vector<std::string> words;
    const int r = link_->Call("bulkin " + Number() + " " + std::to_string(endpoint) + " " +
                                  std::to_string(count) + " " + std::to_string(timeoutMs),
                              &words, static_cast<int>(timeoutMs) + kReplyMargin);
    return TakeData(r, words, data, static_cast<size_t>(count), transferred);
  }

 private:
  std::string Number() const { return std::to_string(Info().number); }

  int Simple(const char* verb) {
    std::vector<std::string> words;
    return link_->Call(std::string(verb) + " " + Number(), &words, kPlainReplyTimeout);
  }

  // Copies the hex data of an OK or TIMEOUT reply, never more than `room`.
  static int TakeData(int r, const std::vector<std::string>& words, unsigned char* data,
                      size_t room, int* done) {
    if ((r != kUsbSuccess && r != kUsbErrorTimeout) || words.size() < 2) return r;
    std::string bytes;
    if (!wire::HexDecode(words[1], &bytes)) return kUsbErrorIo;
    if (bytes.size() > room) return kUsbErrorOverflow;
    std::copy(bytes.begin(), bytes.end(), data);
    *done = static_cast<int>(bytes.size());
    return r;
  }

  std::shared_ptr<Link> link_;
};

class EmulatedDevice : public UsbDevice {
 public:
  EmulatedDevice(uint64_t id, std::string socketPath)
      : UsbDevice(id), socketPath_(std::move(socketPath)) {}
  ~EmulatedDevice() override {
    if (link_) DoClose();
  }

 protected:
  int DoOpen() override {
    auto link = std::make_shared<Link>();
    if (link->connection.Connect(socketPath_) != 0) return kUsbErrorNoDevice;
    std::vector<std::string> words;
    const int r = link->Call("open " + std::to_string(Id()), &words, kPlainReplyTimeout);
    if (r != kUsbSuccess) return r;
    link_ = std::move(link);
    return kUsbSuccess;
  }

  int DoClose() override {
    if (!link_) return kUsbErrorNotFound;
    std::vector<std::string> words;
    const int r = link_->Call("close", &words, kPlainReplyTimeout);
    {
      std::lock_guard<std::mutex> lock(link_->mutex);
      link_->connection.Disconnect();
    }
    link_.reset();
    return r == kUsbErrorNoDevice ? kUsbSuccess : r;
  }

  int DoGetInterfaces(std::vector<std::unique_ptr<UsbInterface>>* interfaces) override {
    if (!link_) return kUsbErrorAccess;
    std::vector<std::string> w;
    int r = link_->Call("interfaces", &w, kPlainReplyTimeout);
    if (r != kUsbSuccess) return r;
    // OK <count> then per interface: number alternate config class subclass
    // protocol endpoint-count, and per endpoint: address attributes max-packet.
    size_t at = 1;
    auto next = [&](unsigned long max, unsigned long* v) {
      return at < w.size() && wire::ParseNumber(w[at++], max, v);
    };
    unsigned long count = 0;
    if (!next(32, &count)) return kUsbErrorIo;
    for (unsigned long i = 0; i < count; ++i) {
      unsigned long n, alt, config, cls, sub, proto, endpoints;
      if (!next(255, &n) || !next(255, &alt) || !next(255, &config) || !next(255, &cls) ||
          !next(255, &sub) || !next(255, &proto) || !next(32, &endpoints))
        return kUsbErrorIo;
      UsbInterfaceInfo info;
      info.number = static_cast<uint8_t>(n);
      info.alternateSetting = static_cast<uint8_t>(alt);
      info.configurationValue = static_cast<uint8_t>(config);
      info.interfaceClass = static_cast<uint8_t>(cls);
      info.interfaceSubClass = static_cast<uint8_t>(sub);
      info.interfaceProtocol = static_cast<uint8_t>(proto);
      for (unsigned long e = 0; e < endpoints; ++e) {
        unsigned long address, attributes, maxPacket;
        if (!next(255, &address) || !next(255, &attributes) || !next(65535, &maxPacket))
          return kUsbErrorIo;
        info.endpoints.push_back(
            {static_cast<uint8_t>(address), static_cast<uint8_t>(attributes)});
      }
      interfaces->push_back(std::make_unique<EmulatedInterface>(info, link_));
    }
    return kUsbSuccess;
  }

 private:
  std::string socketPath_;
  std::shared_ptr<Link> link_;
};

class EmulatedBus : public UsbBus {
 public:
  explicit EmulatedBus(std::string socketPath) : socketPath_(std::move(socketPath)) {}

  int StartWatching(uint16_t vendorId, uint16_t productId) override {
    vendor_ = vendorId;
    product_ = productId;
    watching_ = true;
    return Subscribe();
  }

  int WaitForEvents(int timeoutMs, std::vector<UsbEvent>* events) override {
    if (events == nullptr) return kUsbErrorInvalidParam;
    events->clear();
    if (!watching_) return kUsbErrorInvalidParam;
    if (!watch_.Connected() && Subscribe() != kUsbSuccess) {
      // The emulator is not there (yet): wait and try again next time.
      std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
      return kUsbSuccess;
    }
    std::string line;
    int wait = timeoutMs;
    for (;;) {
      const int r = watch_.ReadLine(&line, wait);
      if (r == 0) break;
      if (r < 0) {
        LoseAll(events);
        break;
      }
      Handle(line, events);
      wait = 0;
    }
    return kUsbSuccess;
  }

 private:
  int Subscribe() {
    if (watch_.Connect(socketPath_) != 0) return kUsbErrorNoDevice;
    std::string reply;
    if (!watch_.Request("watch " + std::to_string(vendor_) + " " + std::to_string(product_),
                        &reply, kPlainReplyTimeout) ||
        reply != "OK") {
      watch_.Disconnect();
      return kUsbErrorIo;
    }
    return kUsbSuccess;
  }

  void Handle(const std::string& line, std::vector<UsbEvent>* events) {
    std::vector<std::string> words;
    unsigned long id = 0;
    if (!wire::SplitWords(line, &words) || words.size() != 2 ||
        !wire::ParseNumber(words[1], 0xFFFFFFFFul, &id) || id == 0)
      return;
    if (words[0] == "ARRIVED" && devices_.find(id) == devices_.end()) {
      auto device = std::make_shared<EmulatedDevice>(id, socketPath_);
      devices_[id] = device;
      events->push_back({UsbEventKind::Arrived, device});
    } else if (words[0] == "LEFT") {
      auto it = devices_.find(id);
      if (it == devices_.end()) return;
      events->push_back({UsbEventKind::Left, it->second});
      devices_.erase(it);
    }
  }

  // The emulator went away: every printer it had attached is gone.
  void LoseAll(std::vector<UsbEvent>* events) {
    for (auto& entry : devices_) events->push_back({UsbEventKind::Left, entry.second});
    devices_.clear();
    watch_.Disconnect();
  }

  std::string socketPath_;
  EmulatorConnection watch_;
  bool watching_ = false;
  uint16_t vendor_ = 0;
  uint16_t product_ = 0;
  std::map<unsigned long, std::shared_ptr<EmulatedDevice>> devices_;
};

}  // namespace

std::unique_ptr<UsbBus> CreateEmulatedBus(const std::string& socketPath) {
  return std::make_unique<EmulatedBus>(socketPath);
}

}  // namespace kv71p
