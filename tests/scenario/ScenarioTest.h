// The whole suite on one machine, as a user meets it: the printer emulator
// on the emulated USB bus, a private CUPS scheduler (the project's PPD and
// filter, the test backend), the status service infokv71p, the launcher
// Watchlauncher of the build tree and the status windows it starts (Qt
// offscreen). All four programs share one private cache folder.
//
// Windows started by the launcher are detached from it and become children
// of the test process (a child subreaper), so a test sees exactly which
// windows run and with which arguments, and every window is stopped when a
// test ends, also when it fails. The service, the emulator and the
// scheduler end with the fixture.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "AdoptedChildren.h"
#include "ServiceHarness.h"
#include "Subprocess.h"
#include "TestTempDir.h"

namespace kv71p::test {

// The printer of the scenarios: its serial number as the printer reports
// it and as it stands in file names and the queue's device URI.
inline const char kSerial[] = "KV 7001";
inline const char kFileSerial[] = "KV%207001";
// The queue the service creates for the first printer, and the name under
// which CUPS shows it (the queue's description).
inline const char kQueue[] = "KORVALE_SYSTEMS_KV_71P";
inline const char kPrinterName[] = "KORVALE SYSTEMS KV-71P";

// What a window shows: its test hook's snapshot, NAME -> text.
using Shown = std::map<std::string, std::string>;

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Attaches a printer with the serial number kSerial and these further
  // properties, and waits until the service has created its queue and
  // written its first information file. The printer's id, 0 on failure.
  unsigned AttachPrinter(const std::vector<std::string>& properties = {});

  // Runs the launcher for `queue` with the environment of a desktop
  // session (the private scheduler and cache folder, Qt offscreen, English).
  ProcessResult Launch(const std::string& queue);
  // The status windows running now.
  std::vector<pid_t> Windows() const { return children_.Find("Printwatch"); }
  // A process's command-line arguments after the program.
  static std::vector<std::string> ArgumentsOf(pid_t pid);
  // Ends `window` with SIGTERM and returns its exit status.
  static int CloseWindow(pid_t window);

  // The window's latest snapshot (empty before its first).
  Shown LatestShown() const;
  // Waits until a snapshot satisfies `condition` and returns it; empty when
  // none did in time.
  Shown WaitForShown(const std::function<bool(const Shown&)>& condition, double seconds = 20) const;
  // Waits until the window shows `text` for `name`.
  Shown WaitForShown(const std::string& name, const std::string& text, double seconds = 20) const;

  // The printer's cache files: "<cache>/KV-71P_<serial><suffix>".
  std::string CachePath(const std::string& suffix) const;
  // One value of the printer's information file ("(none)" without the key).
  std::string InfoValue(const std::string& key) const;

  AdoptedChildren children_;  // first: the subreaper is set before anything starts
  ServiceHarness suite_;
  TestTempDir scratch_;  // the windows' runtime folder and snapshot
  std::string runtimeFolder_, shownFile_;
};

// The texts of `names` in `shown` (missing ones as "(none)"), for comparing
// a part of a snapshot in one assertion.
Shown Pick(const Shown& shown, const std::vector<std::string>& names);

}  // namespace kv71p::test
