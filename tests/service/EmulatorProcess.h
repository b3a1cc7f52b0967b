// The printer emulator as a child process of a test, with helpers to
// control it and to reach its printers through the emulated USB bus.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/usb/EmulatorConnection.h"
#include "platform/usb/UsbBus.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace kv71p::test {

class EmulatorProcess {
 public:
  EmulatorProcess() = default;
  ~EmulatorProcess();

  // Starts the emulator on a socket in a temporary folder and waits until
  // it answers. False when it did not come up.
  bool Start(const std::vector<std::string>& extraArgs = {});
  void Stop();
  const std::string& socketPath() const { return socketPath_; }
  const std::string& folder() const { return dir_.path(); }

  // One request on the control connection; the reply line.
  std::string Request(const std::string& line);
  // "attach" with these name=value words (values quoted as needed); the
  // new printer's id, 0 on failure.
  unsigned Attach(const std::vector<std::string>& properties = {});
  bool Set(unsigned id, const std::vector<std::string>& properties);
  bool Detach(unsigned id);
  // The log lines of a printer.
  std::vector<std::string> Log(unsigned id);
  // The titles of the logged blocks ("STATUS", "INFO FVER", ...).
  std::vector<std::string> LoggedTitles(unsigned id);
  // The header bytes of each logged block.
  std::vector<std::string> LoggedHeaders(unsigned id);
  // The words of a "transfers" reply ("out:32", "in:8", ...).
  std::vector<std::string> Transfers(unsigned id);
  bool ClearLog(unsigned id);

 private:
  std::vector<std::string> LoggedBlocks(unsigned id, size_t word);
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

// Waits for printer `id` on a new emulated bus and opens it. Null on failure.
std::unique_ptr<OpenedPrinter> OpenPrinter(const std::string& socketPath, unsigned id);

}  // namespace kv71p::test
