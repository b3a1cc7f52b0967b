// The printer emulator as a child process of a test, with helpers to
// control it and to reach its printers through the emulated USB bus; and a
// test fixture with one of its printers opened as the service's worker
// holds it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/usb/EmulatorConnection.h"
#include "platform/usb/UsbBus.h"
#include "service/UsbTransport.h"
#include "tests/support/InfoFileText.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace kv71p::test {

// The serial number every emulated printer has unless told otherwise.
inline const char kDefaultSerial[] = "KVP00123";

// The information file of the emulator's default printer, written without
// a total count, with this serial number, model and changes.
std::string DefaultInformationFile(const std::string& serial, const std::string& model = "KV-71P",
                                   const InfoValues& changes = {});

class EmulatorProcess {
 public:
  ~EmulatorProcess() { Stop(); }

  // Starts the emulator on a socket in a temporary folder and waits until
  // it answers. False when it did not come up.
  bool Start();
  void Stop() {
    control_.Disconnect();
    process_.Stop();
  }
  const std::string& socketPath() const { return socketPath_; }

  // One request on the control connection; the reply line.
  std::string Request(const std::string& line) {
    std::string reply;
    return control_.Request(line, &reply, 30000) ? reply : "(no reply)";
  }
  // "attach" with these name=value words; the new printer's id, 0 on failure.
  unsigned Attach(const std::vector<std::string>& properties = {});
  bool Set(unsigned id, const std::vector<std::string>& properties) {
    return IsOk(Request("set " + std::to_string(id) + Words(properties)));
  }
  bool Detach(unsigned id) { return IsOk(Request("detach " + std::to_string(id))); }
  bool ClearLog(unsigned id) { return IsOk(Request("clearlog " + std::to_string(id))); }
  // What became of the prints printer `id` received ("OK started:full printed:full").
  std::string Prints(unsigned id) { return Request("prints " + std::to_string(id)); }
  std::vector<std::string> Log(unsigned id);
  // Word `word` of every "BLOCK" line of the log: 6 the title ("STATUS",
  // "INFO FVER", ...), 3 the 32 header bytes (decoded).
  std::vector<std::string> LoggedBlocks(unsigned id, size_t word);
  std::vector<std::string> LoggedTitles(unsigned id) { return LoggedBlocks(id, 6); }
  std::vector<std::string> LoggedHeaders(unsigned id) { return LoggedBlocks(id, 3); }
  // The words of a "transfers" reply ("out:32", "in:8", ...).
  std::vector<std::string> Transfers(unsigned id);

 private:
  static bool IsOk(const std::string& reply) { return reply.compare(0, 2, "OK") == 0; }
  // The request words of name=value properties, each quoted as needed.
  static std::string Words(const std::vector<std::string>& properties);
  TestTempDir dir_;
  std::string socketPath_;
  BackgroundProcess process_;
  EmulatorConnection control_;
};

// A printer reached through the emulated bus: the device opened, its
// interfaces listed, the first one opened.
struct OpenedPrinter {
  std::unique_ptr<UsbBus> bus;
  std::shared_ptr<UsbDevice> device;
  std::vector<std::unique_ptr<UsbInterface>> interfaces;
  UsbInterface* first() { return interfaces.empty() ? nullptr : interfaces[0].get(); }
  ~OpenedPrinter();
};

// Waits for printer `id` (0: the first one reported) on `bus` and opens it,
// its interfaces listed and the first one opened unless `listOnly`. Null
// on failure.
std::unique_ptr<OpenedPrinter> OpenPrinter(std::unique_ptr<UsbBus> bus, unsigned id, bool listOnly = false);
inline std::unique_ptr<OpenedPrinter> OpenPrinter(const std::string& socketPath, unsigned id) {
  return OpenPrinter(CreateEmulatedBus(socketPath), id);
}

// Short transfer time-outs, so a silent printer costs well under a second.
inline const service::TransferTimeouts kShort{500, 300};

// The emulator running and its first printer opened through the emulated
// bus, as the service's worker holds it.
class PrinterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(emulator_.Start());
    id_ = emulator_.Attach();
    printer_ = OpenPrinter(emulator_.socketPath(), id_);
    ASSERT_TRUE(printer_);
    itf_ = printer_->first();
  }
  bool Set(const std::vector<std::string>& properties) { return emulator_.Set(id_, properties); }

  EmulatorProcess emulator_;
  unsigned id_ = 0;
  std::unique_ptr<OpenedPrinter> printer_;
  UsbInterface* itf_ = nullptr;
};

}  // namespace kv71p::test
