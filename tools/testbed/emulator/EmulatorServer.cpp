#include "tools/testbed/emulator/EmulatorServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/usb/EmulatorWire.h"
#include "tools/testbed/emulator/RequestReader.h"

namespace kv71p::emulator {

namespace {

// A request line may carry one bulk transfer of 64 KiB as hex and more;
// anything far beyond is refused.
constexpr size_t kLongestLine = 64u * 1024 * 1024;
constexpr unsigned long kLongestWait = 600000;
// The longest bulk transfer, in either direction.
constexpr unsigned long kLongestTransfer = 16u * 1024 * 1024;

std::string Err(const char* code, const std::string& message = "") {
  return message.empty() ? std::string("ERR ") + code
                         : std::string("ERR ") + code + " " + wire::QuoteWord(message);
}

bool SendAll(int fd, const std::string& data) {
  const char* p = data.data();
  size_t left = data.size();
  while (left > 0) {
    const ssize_t n = send(fd, p, left, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

std::string Trimmed(const std::string& field) {
  const size_t end = field.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : field.substr(0, end + 1);
}

bool IsEndpoint(const InterfaceState& itf, unsigned long address, bool in) {
  for (const EndpointDesc& e : itf.endpoints)
    if (e.address == address && ((e.address & 0x80) != 0) == in) return true;
  return false;
}

}  // namespace

struct EmulatorServer::Connection {
  explicit Connection(int f, uint64_t i) : fd(f), id(i) {}
  ~Connection() { close(fd); }
  int fd;
  uint64_t id;
  std::mutex writeMutex;
  bool watching = false;
  unsigned long vendor = 0, product = 0;
  unsigned device = 0;  // the printer this connection opened, 0 = none

  bool Write(const std::string& text) {
    std::lock_guard<std::mutex> lock(writeMutex);
    return SendAll(fd, text);
  }
};

EmulatorServer::EmulatorServer(std::string socketPath)
    : socketPath_(std::move(socketPath)), printClock_(&EmulatorServer::RunPrintClock, this) {}

EmulatorServer::~EmulatorServer() {
  {
    // The connections' threads use the server: end every connection and
    // wait until each thread has let go of it.
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    for (Connection* c : serving_) shutdown(c->fd, SHUT_RDWR);
    changed_.notify_all();
    servingDone_.wait(lock, [&] { return serving_.empty(); });
  }
  printClockWake_.notify_all();
  printClock_.join();
  if (listenFd_ >= 0) {
    close(listenFd_);
    unlink(socketPath_.c_str());
  }
  for (int fd : wakeFds_)
    if (fd >= 0) close(fd);
}

int EmulatorServer::Listen() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.empty() || socketPath_.size() >= sizeof address.sun_path) return ENAMETOOLONG;
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);

  // A socket file left by an emulator that is gone is replaced; anything
  // else at the path, or a live emulator, is not touched.
  struct stat st;
  if (lstat(socketPath_.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) return EEXIST;
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool live =
        probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (probe >= 0) close(probe);
    if (live) return EADDRINUSE;
    unlink(socketPath_.c_str());
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 64) != 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  if (pipe2(wakeFds_, O_CLOEXEC) != 0) {
    const int error = errno;
    close(fd);
    unlink(socketPath_.c_str());
    return error;
  }
  listenFd_ = fd;
  return 0;
}

void EmulatorServer::Run(int stopFd) {
  for (;;) {
    pollfd fds[3] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int r = poll(fds, stopFd >= 0 ? 3 : 2, -1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || (fds[1].revents != 0) || (stopFd >= 0 && fds[2].revents != 0)) return;
    if (fds[0].revents & POLLIN) {
      const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      std::shared_ptr<Connection> c;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        c = std::make_shared<Connection>(client, nextConnectionId_++);
        serving_.insert(c.get());
      }
      std::thread(&EmulatorServer::Serve, this, c).detach();
    }
  }
}

void EmulatorServer::ServeConnection(int fd) {
  std::shared_ptr<Connection> c;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    c = std::make_shared<Connection>(fd, nextConnectionId_++);
    serving_.insert(c.get());
  }
  Serve(c);
}

void EmulatorServer::Serve(std::shared_ptr<Connection> c) {
  RequestReader reader(c->fd, kLongestLine);
  for (;;) {
    std::string line;
    const int r = reader.ReadLine(&line);
    if (r == 0) break;
    if (r < 0) {
      c->Write(Err("invalid-param", "line too long") + "\n");
      break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words;
    std::string reply;
    bool keepOpen = true;
    if (!wire::SplitWords(line, &words)) {
      reply = Err("invalid-param", "bad quoting");
    } else if (words.empty()) {
      continue;
    } else if (words[0] == "bulkout-raw") {
      // The raw bytes follow the line; without their count the next
      // request cannot be found, and the connection ends.
      unsigned long length = 0;
      std::string payload;
      if (words.size() != 5 || !wire::ParseNumber(words[4], kLongestTransfer, &length)) {
        reply = Err("invalid-param", "bulkout-raw <interface> <endpoint> <timeout> <length>");
        keepOpen = false;
      } else if (!reader.ReadBytes(length, &payload)) {
        break;
      } else {
        reply = Dispatch(*c, words, &payload);
      }
    } else {
      reply = Dispatch(*c, words, nullptr);
    }
    if (!reply.empty() && !c->Write(reply + "\n")) break;
    if (!keepOpen) break;
    if (words.size() == 1 && words[0] == "shutdown") {
      if (write(wakeFds_[1], "x", 1) < 0) {
      }
      break;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  Forget(*c);
  serving_.erase(c.get());
  servingDone_.notify_all();
}

void EmulatorServer::Forget(Connection& c) {
  for (auto it = watchers_.begin(); it != watchers_.end();)
    it = (*it == &c) ? watchers_.erase(it) : it + 1;
  for (auto& p : printers_)
    for (InterfaceState& itf : p.second->interfaces())
      if (itf.claimedBy == c.id) EndClaim(*p.second, itf);
  c.device = 0;
}

void EmulatorServer::EndClaim(EmulatedPrinter& printer, InterfaceState& itf) {
  itf.claimedBy = 0;
  printer.EndHolding(itf);
}

void EmulatorServer::FinishDuePrints() {
  const Clock::time_point now = Clock::now();
  for (auto& entry : printers_) {
    EmulatedPrinter& printer = *entry.second;
    printer.FinishPrintIfDue(now);
    for (PrintToRender& print : printer.TakePrintsToRender())
      renderQueue_.Add(std::move(print.stream), std::move(print.folder), printer.id());
  }
}

void EmulatorServer::RunPrintClock() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    FinishDuePrints();
    bool printing = false;
    Clock::time_point next = Clock::time_point::max();
    for (auto& entry : printers_) {
      Clock::time_point end;
      if (entry.second->Printing(&end)) {
        printing = true;
        next = std::min(next, end);
      }
    }
    if (printing)
      printClockWake_.wait_until(lock, next);
    else
      printClockWake_.wait(lock);
  }
}

std::string EmulatorServer::Dispatch(Connection& c, const std::vector<std::string>& w,
                                     const std::string* payload) {
  const std::string& verb = w[0];
  std::unique_lock<std::mutex> lock(mutex_);
  // Every request sees the prints whose time has come as printed.
  FinishDuePrints();
  if (verb == "watch") return Watch(c, w);
  if (verb == "open") return Open(c, w);
  if (verb == "close") return Close(c);
  if (verb == "interfaces") return Interfaces(c);
  if (verb == "claim") return Claim(c, w, true);
  if (verb == "release") return Claim(c, w, false);
  if (verb == "control") return Control(c, w);
  if (verb == "bulkout") return BulkOut(c, w);
  if (verb == "bulkout-raw" && payload != nullptr) return BulkOutRaw(c, w, *payload);
  if (verb == "bulkin") return BulkIn(c, w, lock);
  if (verb == "attach") return Attach(w);
  if (verb == "detach") return Detach(w);
  if (verb == "set") return SetProperties(w);
  if (verb == "get") return Get(w);
  if (verb == "list") return List();
  if (verb == "log") return Log(w);
  if (verb == "clearlog") return ClearLog(w);
  if (verb == "transfers") return Transfers(w);
  if (verb == "prints") return Prints(w);
  if (verb == "print") return Print(w, lock);
  if (verb == "ping" || verb == "shutdown") return "OK";
  if (verb == "help")
    return "OK " + wire::QuoteWord(
                       "attach detach set get list log transfers prints clearlog print ping shutdown | "
                       "watch open close interfaces claim release control bulkout bulkout-raw bulkin");
  return Err("not-supported", "unknown request " + verb);
}

EmulatedPrinter* EmulatorServer::FindPrinter(const std::string& idText) {
  unsigned long id = 0;
  if (!wire::ParseNumber(idText, 0xFFFFFFFFul, &id)) return nullptr;
  auto it = printers_.find(static_cast<unsigned>(id));
  return it == printers_.end() ? nullptr : it->second.get();
}

void EmulatorServer::Notify(const char* event, const EmulatedPrinter& printer) {
  const std::string line = std::string(event) + " " + std::to_string(printer.id()) + "\n";
  for (auto& watcher : watchers_)
    if (watcher->vendor == printer.vendor && watcher->product == printer.product)
      watcher->Write(line);
}

void EmulatorServer::Unplug(EmulatedPrinter& printer) {
  if (!printer.attached) return;
  printer.attached = false;
  for (InterfaceState& itf : printer.interfaces()) EndClaim(printer, itf);
  Notify("LEFT", printer);
  changed_.notify_all();
}

// ---- bus requests ----

std::string EmulatorServer::Watch(Connection& c, const std::vector<std::string>& w) {
  if (w.size() != 3 || !wire::ParseNumber(w[1], 65535, &c.vendor) ||
      !wire::ParseNumber(w[2], 65535, &c.product))
    return Err("invalid-param", "watch <vendor> <product>");
  if (c.watching) return Err("invalid-param", "already watching");
  // The reply and the arrivals of printers already attached go out under
  // the lock, so no later event can overtake them.
  std::string text = "OK\n";
  for (auto& p : printers_)
    if (p.second->attached && p.second->vendor == c.vendor && p.second->product == c.product)
      text += "ARRIVED " + std::to_string(p.first) + "\n";
  c.watching = true;
  watchers_.push_back(&c);
  c.Write(text);
  return std::string();
}

std::string EmulatorServer::Open(Connection& c, const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "open <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr || !p->attached) return Err("no-device");
  if (c.device != 0) return Err("busy", "connection has a device open");
  if (p->RefusesDeviceOpen()) return Err("access", "open refused");
  c.device = p->id();
  return "OK";
}

EmulatedPrinter* EmulatorServer::OpenedPrinter(Connection& c) {
  if (c.device == 0) return nullptr;
  auto it = printers_.find(c.device);
  return it == printers_.end() ? nullptr : it->second.get();
}

std::string EmulatorServer::Close(Connection& c) {
  EmulatedPrinter* p = OpenedPrinter(c);
  if (p != nullptr)
    for (InterfaceState& itf : p->interfaces())
      if (itf.claimedBy == c.id) EndClaim(*p, itf);
  c.device = 0;
  return "OK";
}

std::string EmulatorServer::Interfaces(Connection& c) {
  EmulatedPrinter* p = OpenedPrinter(c);
  if (p == nullptr) return Err("access", "no device open");
  if (!p->attached) return Err("no-device");
  std::string text = "OK " + std::to_string(p->interfaces().size());
  for (const InterfaceState& itf : p->interfaces()) {
    text += " " + std::to_string(itf.number) + " 0 " + std::to_string(p->configurationValue()) +
            " 7 1 2 " + std::to_string(itf.endpoints.size());
    for (const EndpointDesc& e : itf.endpoints)
      text += " " + std::to_string(e.address) + " " + std::to_string(e.attributes) + " " +
              std::to_string(e.maxPacket);
  }
  return text;
}

std::string EmulatorServer::Claim(Connection& c, const std::vector<std::string>& w, bool claim) {
  if (w.size() != 2) return Err("invalid-param", claim ? "claim <interface>" : "release <interface>");
  EmulatedPrinter* p = OpenedPrinter(c);
  if (p == nullptr) return Err("access", "no device open");
  if (!p->attached) return Err("no-device");
  unsigned long number = 0;
  InterfaceState* itf =
      wire::ParseNumber(w[1], 255, &number) ? p->FindInterface(static_cast<int>(number)) : nullptr;
  if (itf == nullptr) return Err("not-found", "no such interface");
  if (!claim) {
    if (itf->claimedBy != c.id) return Err("not-found", "interface not claimed");
    EndClaim(*p, *itf);
    return "OK";
  }
  if (itf->claimedBy == c.id) return "OK";
  if (itf->claimedBy != 0) return Err("busy", "interface claimed by another holder");
  if (p->RefusesInterfaceOpen()) return Err("access", "claim refused");
  itf->claimedBy = c.id;
  return "OK";
}

InterfaceState* EmulatorServer::ClaimedInterface(Connection& c, const std::string& numberText,
                                                 std::string* error) {
  EmulatedPrinter* p = OpenedPrinter(c);
  if (p == nullptr) {
    *error = Err("access", "no device open");
    return nullptr;
  }
  if (!p->attached) {
    *error = Err("no-device");
    return nullptr;
  }
  unsigned long number = 0;
  InterfaceState* itf = wire::ParseNumber(numberText, 255, &number)
                            ? p->FindInterface(static_cast<int>(number))
                            : nullptr;
  if (itf == nullptr) {
    *error = Err("not-found", "no such interface");
    return nullptr;
  }
  if (itf->claimedBy != c.id) {
    *error = Err("access", "interface not claimed");
    return nullptr;
  }
  return itf;
}

std::string EmulatorServer::Control(Connection& c, const std::vector<std::string>& w) {
  unsigned long type, request, value, index, length, timeout;
  if (w.size() != 8 || !wire::ParseNumber(w[2], 255, &type) ||
      !wire::ParseNumber(w[3], 255, &request) || !wire::ParseNumber(w[4], 65535, &value) ||
      !wire::ParseNumber(w[5], 65535, &index) || !wire::ParseNumber(w[6], 65535, &length) ||
      !wire::ParseNumber(w[7], kLongestWait, &timeout))
    return Err("invalid-param",
               "control <interface> <type> <request> <value> <index> <length> <timeout>");
  std::string error;
  if (ClaimedInterface(c, w[1], &error) == nullptr) return error;
  EmulatedPrinter* p = OpenedPrinter(c);
  // Only the printer class's device ID request is known; everything else
  // stalls the default pipe, as a printer does.
  if (type != 0xA1 || request != 0 || p->FindInterface(static_cast<int>(index >> 8)) == nullptr)
    return Err("pipe", "request not supported");
  return "OK " + wire::HexEncode(p->DeviceIdAnswer(static_cast<uint16_t>(length)));
}

std::string EmulatorServer::BulkOut(Connection& c, const std::vector<std::string>& w) {
  unsigned long endpoint, timeout;
  std::string bytes;
  if (w.size() < 4 || w.size() > 5 || !wire::ParseNumber(w[2], 255, &endpoint) ||
      !wire::ParseNumber(w[3], kLongestWait, &timeout) ||
      !wire::HexDecode(w.size() == 5 ? w[4] : std::string(), &bytes))
    return Err("invalid-param", "bulkout <interface> <endpoint> <timeout> <hex>");
  return Deliver(c, w[1], endpoint, bytes.data(), bytes.size());
}

std::string EmulatorServer::BulkOutRaw(Connection& c, const std::vector<std::string>& w,
                                       const std::string& payload) {
  unsigned long endpoint, timeout;
  if (!wire::ParseNumber(w[2], 255, &endpoint) || !wire::ParseNumber(w[3], kLongestWait, &timeout))
    return Err("invalid-param", "bulkout-raw <interface> <endpoint> <timeout> <length>");
  return Deliver(c, w[1], endpoint, payload.data(), payload.size());
}

std::string EmulatorServer::Deliver(Connection& c, const std::string& interfaceText,
                                    unsigned long endpoint, const char* data, size_t size) {
  std::string error;
  InterfaceState* itf = ClaimedInterface(c, interfaceText, &error);
  if (itf == nullptr) return error;
  if (!IsEndpoint(*itf, endpoint, false)) return Err("not-found", "no such OUT endpoint");
  EmulatedPrinter* p = OpenedPrinter(c);
  Clock::time_point end;
  const bool wasPrinting = p->Printing(&end);
  bool unplug = false, cutTransfer = false;
  // A printer that stops taking bytes ("out-limit") takes what it still
  // can; the transfer then ends by time-out, reported at once.
  const size_t taken = p->TakeOutBytes(size);
  p->AddTransfer(false, taken);
  p->Receive(*itf, data, taken, Clock::now(), &unplug, &cutTransfer);
  if (unplug) Unplug(*p);
  for (PrintToRender& print : p->TakePrintsToRender())
    renderQueue_.Add(std::move(print.stream), std::move(print.folder), p->id());
  if (!wasPrinting && p->Printing(&end)) printClockWake_.notify_all();
  changed_.notify_all();
  if (cutTransfer) return Err("no-device");
  return (taken < size ? "TIMEOUT " : "OK ") + std::to_string(taken);
}

std::string EmulatorServer::BulkIn(Connection& c, const std::vector<std::string>& w,
                                   std::unique_lock<std::mutex>& lock) {
  unsigned long endpoint, length, timeout;
  if (w.size() != 5 || !wire::ParseNumber(w[2], 255, &endpoint) ||
      !wire::ParseNumber(w[3], kLongestTransfer, &length) ||
      !wire::ParseNumber(w[4], kLongestWait, &timeout))
    return Err("invalid-param", "bulkin <interface> <endpoint> <length> <timeout>");
  std::string error;
  InterfaceState* itf = ClaimedInterface(c, w[1], &error);
  if (itf == nullptr) return error;
  if (!IsEndpoint(*itf, endpoint, true)) return Err("not-found", "no such IN endpoint");
  const unsigned printerId = c.device;
  const int number = itf->number;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(std::min(timeout, waitLimit_));
  // The printer and its interface stay in the table while we wait (printers
  // are never erased), but look them up again after every wake-up.
  for (;;) {
    if (stopping_) return Err("no-device");
    EmulatedPrinter* p = printers_.at(printerId).get();
    if (!p->attached) return Err("no-device");
    itf = p->FindInterface(number);
    if (itf->claimedBy != c.id) return Err("access", "interface not claimed");
    if (!itf->answer.empty()) {
      const size_t n = std::min<size_t>(length, itf->answer.size());
      const std::string data = itf->answer.substr(0, n);
      itf->answer.erase(0, n);
      p->AddTransfer(true, n);
      return "OK " + wire::HexEncode(data);
    }
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
      p = printers_.at(printerId).get();
      if (!p->attached) return Err("no-device");
      itf = p->FindInterface(number);
      if (!itf->answer.empty()) continue;
      return "TIMEOUT";
    }
  }
}

// ---- control requests ----

std::string EmulatorServer::Attach(const std::vector<std::string>& w) {
  auto printer = std::make_unique<EmulatedPrinter>(nextPrinterId_);
  std::string ignored;
  if (!defaultOutput_.empty()) printer->Set("output", defaultOutput_, true, &ignored);
  for (size_t i = 1; i < w.size(); ++i) {
    std::string name, value, error;
    if (!wire::SplitNameValue(w[i], &name, &value)) return Err("invalid-param", "name=value: " + w[i]);
    if (!printer->Set(name, value, true, &error)) return Err("invalid-param", error);
  }
  const unsigned id = nextPrinterId_++;
  EmulatedPrinter& p = *printer;
  printers_[id] = std::move(printer);
  Notify("ARRIVED", p);
  return "OK " + std::to_string(id);
}

std::string EmulatorServer::Detach(const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "detach <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr || !p->attached) return Err("not-found", "no such attached printer");
  Unplug(*p);
  return "OK";
}

std::string EmulatorServer::SetProperties(const std::vector<std::string>& w) {
  if (w.size() < 2) return Err("invalid-param", "set <id> name=value...");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  // Check every pair first, so a bad one changes nothing.
  EmulatedPrinter scratch(0);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 2; i < w.size(); ++i) {
    std::string name, value, error;
    if (!wire::SplitNameValue(w[i], &name, &value)) return Err("invalid-param", "name=value: " + w[i]);
    if (!scratch.Set(name, value, false, &error)) return Err("invalid-param", error);
    pairs.emplace_back(name, value);
  }
  for (auto& pair : pairs) {
    std::string error;
    p->Set(pair.first, pair.second, false, &error);
  }
  return "OK";
}

std::string EmulatorServer::Get(const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "get <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  std::string text = "OK";
  for (auto& property : p->Properties()) text += " " + wire::NameValue(property.first, property.second);
  return text;
}

std::string EmulatorServer::List() {
  std::string text = "OK";
  for (auto& p : printers_)
    if (p.second->attached) text += " " + std::to_string(p.first);
  return text;
}

std::string EmulatorServer::Log(const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "log <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  std::ostringstream out;
  out << "OK " << p->log().size();
  for (const LogEntry& e : p->log()) {
    if (e.junk) {
      out << "\nJUNK " << e.sequence << " " << e.interfaceNumber << " " << e.dataLength << " "
          << wire::HexEncode(e.header);
      continue;
    }
    const std::string command = Trimmed(e.header.substr(2, 6));
    const std::string parameter = Trimmed(e.header.substr(8, 16));
    const std::string title = parameter.empty() ? command : command + " " + parameter;
    out << "\nBLOCK " << e.sequence << " " << e.interfaceNumber << " " << wire::HexEncode(e.header)
        << " " << e.dataLength << " " << (e.dataStart.empty() ? "-" : wire::HexEncode(e.dataStart))
        << " " << wire::QuoteWord(title);
  }
  return out.str();
}

std::string EmulatorServer::Transfers(const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "transfers <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  std::string text = "OK";
  for (const std::string& t : p->transfers()) text += " " + t;
  return text;
}

std::string EmulatorServer::Prints(const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "prints <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  std::string text = "OK";
  for (const std::string& event : p->printEvents()) text += " " + event;
  return text;
}

std::string EmulatorServer::ClearLog(const std::vector<std::string>& w) {
  if (w.size() != 2) return Err("invalid-param", "clearlog <id>");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  p->ClearLog();
  return "OK";
}

std::string EmulatorServer::Print(const std::vector<std::string>& w,
                                  std::unique_lock<std::mutex>& lock) {
  if (w.size() != 3 && w.size() != 4)
    return Err("invalid-param", "print <id> <stream-file> [<output-folder>]");
  EmulatedPrinter* p = FindPrinter(w[1]);
  if (p == nullptr) return Err("not-found", "no such printer");
  const std::string folder = w.size() == 4 ? w[3] : p->outputFolder();
  if (folder.empty()) return Err("invalid-param", "no output folder");
  if (!renderQueue_.HasRenderer())
    return Err("not-supported", "this emulator was built without print rendering");
  std::ifstream in(w[2], std::ios::binary);
  if (!in) return Err("not-found", "cannot read " + w[2]);
  std::ostringstream data;
  data << in.rdbuf();
  const unsigned id = p->id();
  lock.unlock();  // rendering takes a while; the bus goes on meanwhile
  std::string message;
  const int prints = renderQueue_.RenderNow(data.str(), folder, id, &message);
  lock.lock();
  if (prints < 0) return Err("invalid-param", message);
  return "OK " + std::to_string(prints);
}

}  // namespace kv71p::emulator
