// One printer's life as a user sees it, all four programs running: plugged
// in, its queue and status window opened, refreshed, out of paper,
// unplugged, its queue deleted.
#include <unistd.h>

#include "CacheFolder.h"
#include "FlagFiles.h"
#include "ScenarioTest.h"

namespace kv71p::test {
namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The refresh button, pressed from outside the window: its action creates
// the total-count flag through these two calls (the click on the real
// button is tested with the window in test_printwatch_window).
void PressUpdate() {
  CheckAndMake_CacheFolder();
  printwatch::CreateFlagFile(printwatch::FlagFile::TotalCountRefresh, kFileSerial);
}

const std::vector<std::string> kShownItems = {
    "TITLE",      "STATUS",      "STATUS_ICON", "MESSAGE",     "MEDIA_TITLE",  "MEDIA_SIZE",
    "MEDIA_COUNT", "GAUGE",      "TOTAL_COUNT", "SERIAL_NO",   "FIRM_VERSION"};

TEST_F(ScenarioTest, PrinterFromPlugInToQueueDeletion) {
  // Plugged in: the service reads the printer, creates its queue and
  // writes its first information file (no window asked for a count yet).
  const unsigned id =
      AttachPrinter({"status=0", "firmware=2.07", "media=0000500", "class=0000003",
                     "initial=000000400", "remain=000000099", "remainhalf=000000198",
                     "total=0004321"});
  ASSERT_NE(0u, id) << suite_.Output() << suite_.cups()->errorLog();
  EXPECT_EQ(kPrinterName, suite_.QueueOption(kQueue, "printer-info"));
  EXPECT_TRUE(suite_.QueueHasOurPpd(kQueue));
  EXPECT_EQ(kFileSerial, InfoValue("PRINTER_SERIAL_NO="));
  EXPECT_EQ("", InfoValue("TOTAL_COUNT="));

  // The user opens the queue's utility: the launcher starts one window
  // with the serial number and the name CUPS shows, then quits.
  ProcessResult launch = Launch(kQueue);
  ASSERT_EQ(0, launch.exitStatus) << launch.err;
  const std::vector<pid_t> windows = Windows();
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ((std::vector<std::string>{kFileSerial, kPrinterName}), ArgumentsOf(windows[0]));
  EXPECT_TRUE(WaitFor([&] { return Exists(CachePath("_UTIL")); }, 20)) << "the window's flag";

  // Opened again while the window is open: nothing new starts.
  launch = Launch(kQueue);
  EXPECT_EQ(0, launch.exitStatus) << launch.err;
  EXPECT_EQ(windows, Windows());

  // The window shows the printer's state; the count comes with the answer
  // to the window's start flag.
  Shown shown = WaitForShown("TOTAL_COUNT", "4321");
  EXPECT_EQ((Shown{{"TITLE", kPrinterName},
                   {"STATUS", "Ready"},
                   {"STATUS_ICON", "PrtStsIdle"},
                   {"MESSAGE", "The printer is ready to print."},
                   {"MEDIA_TITLE", "Media [ Pure Premium ]"},
                   {"MEDIA_SIZE", "8 x 10 in"},
                   {"MEDIA_COUNT", "99 / 400  sheets ( 198  sheets :  8x5in)"},
                   {"GAUGE", "24"},
                   {"TOTAL_COUNT", "4321"},
                   {"SERIAL_NO", kSerial},
                   {"FIRM_VERSION", "2.07"}}),
            Pick(shown, kShownItems));
  EXPECT_FALSE(Exists(CachePath("_START_UTIL"))) << "the service took the start flag";

  // Four prints later the printer counts 4325. While the window is open the
  // service rewrites the file every cycle, but asks for the count only on
  // request, so the window keeps the count it has.
  ASSERT_TRUE(suite_.emulator().Set(id, {"total=0004325"}));
  ASSERT_TRUE(suite_.emulator().ClearLog(id));
  ASSERT_TRUE(WaitFor([&] { return suite_.CountTitle(id, "STATUS") >= 2; }, 20));
  EXPECT_EQ(0u, suite_.CountTitle(id, "MNT_RD COUNTER_LIFE"));
  EXPECT_EQ("4321", LatestShown()["TOTAL_COUNT"]);
  // Update brings the new count.
  PressUpdate();
  EXPECT_FALSE(WaitForShown("TOTAL_COUNT", "4325").empty());
  EXPECT_FALSE(Exists(CachePath("_TC_UTIL"))) << "the service took the refresh flag";
  EXPECT_EQ(1u, suite_.CountTitle(id, "MNT_RD COUNTER_LIFE"));

  // Out of paper. The service's next cycle writes it and the window's next
  // cycle after that shows it: at most the window's third cycle from now,
  // counting the one that may have begun before the change.
  ASSERT_TRUE(suite_.emulator().Set(id, {"status=1100"}));
  const int cycle = std::stoi(LatestShown()["CYCLE"]);
  shown = WaitForShown("STATUS_ICON", "PrtStsPaperEnd");
  ASSERT_FALSE(shown.empty());
  EXPECT_LE(std::stoi(shown["CYCLE"]), cycle + 3);
  EXPECT_EQ((Shown{{"STATUS", "Out of paper"},
                   {"MESSAGE", "Load a new paper roll."},
                   {"MEDIA_COUNT", "99 / 400  sheets ( 198  sheets :  8x5in)"},
                   {"TOTAL_COUNT", "4325"}}),
            Pick(shown, {"STATUS", "MESSAGE", "MEDIA_COUNT", "TOTAL_COUNT"}));

  // Unplugged: the placeholder file, and the window shows the printer
  // offline. It stays open, as the queue is still there.
  ASSERT_TRUE(suite_.emulator().Detach(id));
  EXPECT_TRUE(suite_.WaitForInfoFile(kFileSerial, PlaceholderFile()))
      << suite_.InfoFile(kFileSerial);
  shown = WaitForShown("STATUS_ICON", "PrtStsOffline");
  EXPECT_EQ((Shown{{"TITLE", kPrinterName},
                   {"STATUS", "Offline"},
                   {"STATUS_ICON", "PrtStsOffline"},
                   {"MESSAGE", "The printer is switched off or not connected."},
                   {"MEDIA_TITLE", "Media [ --- ]"},
                   {"MEDIA_SIZE", "---"},
                   {"MEDIA_COUNT", "--- / ---  sheets"},
                   {"GAUGE", "0"},
                   {"TOTAL_COUNT", "---"},
                   {"SERIAL_NO", "---"},
                   {"FIRM_VERSION", "---"}}),
            Pick(shown, kShownItems));
  EXPECT_EQ(windows, Windows());

  // The queue deleted: the window closes by itself and removes its flag.
  const ProcessResult removed = suite_.cups()->Lpadmin({"-x", kQueue});
  ASSERT_EQ(0, removed.exitStatus) << removed.err;
  EXPECT_EQ(0, WaitForChild(windows[0], 0, 20));
  EXPECT_FALSE(Exists(CachePath("_UTIL")));
  EXPECT_TRUE(Windows().empty());
}

}  // namespace
}  // namespace kv71p::test
