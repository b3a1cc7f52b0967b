// One run of the real infokv71p program for a test: its own printer
// emulator, cache folder, optional private cupsd, and an lpadmin stand-in
// (kv71p-test-lpadmin) that records the arguments of every call before
// running the real lpadmin against the private cupsd.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/PrinterFiles.h"
#include "tests/service/EmulatorProcess.h"
#include "tests/support/PrivateCupsd.h"

namespace kv71p::test {

// The lpadmin arguments that create queue `number` (0: the base queue),
// written out by hand.
std::vector<std::string> ExpectedLpadmin(int number, const std::string& serial);

class ServiceHarness {
 public:
  ServiceHarness();
  ~ServiceHarness() {
    service_.Stop(9, 5);
    emulator_.Stop();
  }

  EmulatorProcess& emulator() { return emulator_; }
  PrivateCupsd* cups() { return cups_.get(); }

  // Starts a private cupsd with the queue PPD in its model folder (and the
  // filters, models and filter environment of `options`).
  bool StartCups(PrivateCupsd::Options options = {});
  // Creates or deletes a queue directly (not through the service, not recorded).
  bool AddQueue(const std::string& name, const std::string& uri);
  bool DeleteQueue(const std::string& name) {
    return cups_ && cups_->Lpadmin({"-x", name}).exitStatus == 0;
  }
  // Starts infokv71p (the emulator must be running) with these further
  // "NAME=value" environment entries. Without a cupsd no scheduler answers.
  bool StartService(const std::vector<std::string>& env = {});
  // Sends `signal` and returns the exit status (-1 when it did not exit).
  int StopService(int signal) { return service_.Stop(signal, 10); }
  // While set, every lpadmin call is recorded and then fails (status 1).
  void FailLpadmin(bool fail);

  // What the service printed (lpadmin's messages left out).
  std::string Output() const;
  size_t CountOutput(const std::string& text) const;
  // The argument lists of every lpadmin call so far.
  std::vector<std::vector<std::string>> LpadminCalls() const;

  const std::string& cacheFolder() const { return cacheFolder_; }
  // The hand-over locks' folder the service is given (made by whoever needs it first).
  const std::string& lockFolder() const { return lockFolder_; }
  const std::string& root() const { return dir_.path(); }
  std::string InfoFilePath(const std::string& serial) const {
    return cacheFolder_ + "/" + InformationFileName(serial);
  }
  std::string InfoFile(const std::string& serial) const { return ReadFile(InfoFilePath(serial)); }
  // Waits until the printer's information file exists with exactly
  // `content` (any content when empty).
  bool WaitForInfoFile(const std::string& serial, const std::string& content = "",
                       double seconds = 15) const;
  std::string FlagPath(const std::string& serial, FlagFile flag) const {
    return cacheFolder_ + "/" + FlagFileName(flag, serial);
  }
  bool TouchFlag(const std::string& serial, FlagFile flag) const {
    return WriteFile(FlagPath(serial, flag), "");
  }

  // The queues of the private cupsd: name -> device URI.
  std::map<std::string, std::string> Queues() const;

  // Titles of the blocks printer `id` received ("STATUS", ...).
  std::vector<std::string> Titles(unsigned id) { return emulator_.LoggedTitles(id); }
  size_t CountTitle(unsigned id, const std::string& title);

  // A printer (serial "CLOCK") whose "_UTIL" flag has the service ask it
  // every cycle: tests that must see cycles pass without traffic elsewhere
  // count its passes instead of sleeping. Call once the service runs.
  bool StartClock();
  // Waits until the clock printer has had `cycles` more passes.
  bool AwaitCycles(int cycles);

 private:
  TestTempDir dir_;
  std::string cacheFolder_, lockFolder_, lpadminLog_, binDir_;
  EmulatorProcess emulator_;
  std::unique_ptr<PrivateCupsd> cups_;
  BackgroundProcess service_;
  unsigned clock_ = 0;
};

}  // namespace kv71p::test
