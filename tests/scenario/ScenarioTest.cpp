// The whole suite on one machine, as a user meets it: the printer emulator
// on the emulated USB bus, a private CUPS scheduler (the project's PPD and
// filter, the test backend), the status service infokv71p, the launcher
// Watchlauncher of the build tree and the status windows it starts (Qt
// offscreen), all sharing one private cache folder. Windows started by the
// launcher become children of the test process (a child subreaper), so the
// test sees exactly which windows run and with which arguments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "apps/printwatch/FlagFiles.h"
#include "apps/printwatch/ShownTexts.h"
#include "common/CacheFolder.h"
#include "common/DeviceUri.h"
#include "common/KeyValueFile.h"
#include "tests/service/ServiceHarness.h"
#include "tests/watchlauncher/LauncherTestSupport.h"

using namespace kv71p;

namespace kv71p::test {
namespace {

// The printer's serial number as it reports it and as file names and its
// queue's device URI hold it; its queue and the name CUPS shows for it.
const char kSerial[] = "KV 7001";
const char kFileSerial[] = "KV%207001";
const char kQueue[] = "KORVALE_SYSTEMS_KV_71P";
const char kPrinterName[] = "KORVALE SYSTEMS KV-71P";

using Shown = std::map<std::string, std::string>;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, mkdir(runtimeFolder_.c_str(), 0700));
    ASSERT_TRUE(suite_.emulator().Start());
    // The scheduler runs the built filter for the queue's PPD; the test
    // backend hands the filter the printer's information file as the job's
    // per-job file (the media loaded in the printer) and keeps the stream.
    PrivateCupsd::Options options;
    options.filters.push_back({"rastertokv71p", KV71P_FILTER_PROGRAM});
    options.setEnv.push_back("KV71P_CACHE_DIR=" + suite_.cacheFolder());
    options.setEnv.push_back("VEXBACKEND_JOB_INFO=" + suite_.InfoFilePath(kFileSerial));
    ASSERT_TRUE(suite_.StartCups(options));
    ASSERT_TRUE(suite_.StartService());
  }
  void TearDown() override {
    for (pid_t window : Windows()) WaitForChild(window, SIGKILL, 10);
  }

  // Attaches the printer and waits for its queue and first information file.
  unsigned AttachPrinter(const std::vector<std::string>& properties) {
    std::vector<std::string> all = {std::string("serial=") + kSerial};
    all.insert(all.end(), properties.begin(), properties.end());
    const unsigned id = suite_.emulator().Attach(all);
    const bool queued = WaitFor([&] { return suite_.Queues()[kQueue] == DeviceUriOf(kFileSerial); }, 30);
    return id != 0 && queued && suite_.WaitForInfoFile(kFileSerial) ? id : 0;
  }
  // The launcher for `queue` in a desktop session's environment.
  ProcessResult Launch(const std::string& queue) {
    return RunClient(*suite_.cups(), suite_.cacheFolder(), {WATCHLAUNCHER_BINARY, queue},
                     {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtimeFolder_,
                      "KV71P_PRINTWATCH_SHOWN_FILE=" + shownFile_, "LANGUAGE=en", "LC_ALL=C.UTF-8"});
  }
  std::vector<pid_t> Windows() const { return children_.Find("Printwatch"); }
  // A window's command-line arguments after the program (once it has them).
  static std::vector<std::string> ArgumentsOf(pid_t pid) {
    std::string cmdline;
    WaitFor([&] { return !(cmdline = ReadFile("/proc/" + std::to_string(pid) + "/cmdline")).empty(); }, 10);
    std::vector<std::string> args;
    for (size_t start = 0, end; (end = cmdline.find('\0', start)) != std::string::npos; start = end + 1)
      args.push_back(cmdline.substr(start, end - start));
    if (!args.empty()) args.erase(args.begin());
    return args;
  }
  // The window's latest snapshot.
  Shown LatestShown() const { return printwatch::ParseShownTexts(ReadFile(shownFile_)); }
  // Waits until the window shows `text` for `name`; the snapshot, empty when not in time.
  Shown WaitForShown(const std::string& name, const std::string& text) const {
    Shown shown;
    return WaitFor([&] { return (shown = LatestShown())[name] == text; }, 20) ? shown : Shown{};
  }
  std::string CachePath(const std::string& suffix) const {
    return suite_.cacheFolder() + "/KV-71P_" + kFileSerial + suffix;
  }
  std::string InfoValue(const std::string& key) const {
    std::string value;
    return FindKeyValue(CachePath(".log").c_str(), key.c_str(), &value) ? value : "(none)";
  }

  AdoptedChildren children_;  // first: the subreaper is set before anything starts
  ServiceHarness suite_;
  TestTempDir scratch_;
  std::string runtimeFolder_ = scratch_ / "runtime", shownFile_ = scratch_ / "shown.txt";
};

// The texts of `names` in `shown` (missing ones as "(none)").
Shown Pick(const Shown& shown, const std::vector<std::string>& names) {
  Shown picked;
  for (const std::string& name : names) picked[name] = shown.count(name) ? shown.at(name) : "(none)";
  return picked;
}

const std::vector<std::string> kShownItems = {
    "TITLE",       "STATUS", "STATUS_ICON", "MESSAGE",   "MEDIA_TITLE", "MEDIA_SIZE",
    "MEDIA_COUNT", "GAUGE",  "TOTAL_COUNT", "SERIAL_NO", "FIRM_VERSION"};

TEST_F(ScenarioTest, PrinterFromPlugInToQueueDeletion) {
  // Plugged in: the service reads the printer, creates its queue and
  // writes its first information file (no window asked for a count yet).
  const unsigned id = AttachPrinter({"status=0", "firmware=2.07", "media=0000500", "class=0000003",
                                     "initial=000000400", "remain=000000099",
                                     "remainhalf=000000198", "total=0004321"});
  ASSERT_NE(0u, id) << suite_.Output() << suite_.cups()->errorLog();
  EXPECT_EQ(kPrinterName, suite_.QueueOption(kQueue, "printer-info"));
  EXPECT_TRUE(suite_.QueueHasOurPpd(kQueue));
  EXPECT_EQ(kFileSerial, InfoValue("PRINTER_SERIAL_NO="));
  EXPECT_EQ("", InfoValue("TOTAL_COUNT="));

  // Queues of no KV-71P printer: a URI ending in "serial=", one lacking
  // "KORVALE". The launcher opens nothing for them.
  ASSERT_TRUE(suite_.AddQueue("KV71P_NO_SERIAL", DeviceUriOf("")));
  ASSERT_TRUE(suite_.AddQueue("KV71P_NO_MAKER", std::string("vexbackend://SYSTEMS/KV-71P?serial=") + kFileSerial));
  for (const char* queue : {"KV71P_NO_SERIAL", "KV71P_NO_MAKER"}) {
    const ProcessResult launch = Launch(queue);
    EXPECT_EQ(1, launch.exitStatus) << queue;
    EXPECT_EQ("", launch.out + launch.err) << queue;
    EXPECT_TRUE(Windows().empty()) << queue;
  }
  // A user's instance of the queue is a second destination of the same
  // name, naming another printer: the first one is used.
  std::filesystem::create_directories(suite_.cups()->home() + "/.cups");
  ASSERT_TRUE(WriteFile(suite_.cups()->home() + "/.cups/lpoptions",
                        std::string("Dest ") + kQueue + "/studio device-uri=" + DeviceUriOf("OTHER") + "\n"));

  // The user opens the queue's utility: the launcher starts one window
  // with the serial number and the name CUPS shows, then quits.
  ProcessResult launch = Launch(kQueue);
  ASSERT_EQ(0, launch.exitStatus) << launch.err;
  std::vector<pid_t> windows = Windows();
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ((std::vector<std::string>{kFileSerial, kPrinterName}), ArgumentsOf(windows[0]));
  ASSERT_TRUE(WaitFor([&] { return Exists(CachePath("_UTIL")); }, 20)) << "the window's flag";

  // Killed, the window leaves its flag, which keeps a new one shut until
  // it is removed; the launcher never removes it.
  WaitForChild(windows[0], SIGKILL, 10);
  EXPECT_EQ(0, Launch(kQueue).exitStatus);
  EXPECT_TRUE(Windows().empty());
  ASSERT_TRUE(Exists(CachePath("_UTIL")));
  ASSERT_EQ(0, unlink(CachePath("_UTIL").c_str()));
  std::filesystem::remove(shownFile_);
  ASSERT_EQ(0, Launch(kQueue).exitStatus);
  windows = Windows();
  ASSERT_EQ(1u, windows.size());
  ASSERT_TRUE(WaitFor([&] { return Exists(CachePath("_UTIL")); }, 20));

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
  // The refresh button's action (the click itself: test_printwatch_window)
  // brings the new count.
  setenv("KV71P_CACHE_DIR", suite_.cacheFolder().c_str(), 1);
  CheckAndMake_CacheFolder();
  printwatch::CreateFlagFile(FlagFile::WindowTotalCount, kFileSerial);
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
  EXPECT_TRUE(suite_.WaitForInfoFile(kFileSerial, PlaceholderFile())) << suite_.InfoFile(kFileSerial);
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
  ASSERT_TRUE(suite_.DeleteQueue(kQueue));
  EXPECT_EQ(0, WaitForChild(windows[0], 0, 20));
  EXPECT_FALSE(Exists(CachePath("_UTIL")));
  EXPECT_TRUE(Windows().empty());
}

// A photo printed to the service's queue through the real scheduler: CUPS's
// own filters, rastertokv71p reading the loaded media from the per-job file,
// the test backend keeping the stream, which decodes and comes out of the
// emulated printer as the same pictures.
TEST_F(ScenarioTest, PhotoPrintedToTheServicesQueueComesOutOfTheEmulatedPrinter) {
  // 8 x 10 in media with an even number of half prints left: two 8 x 4 in
  // photos go on one print.
  const unsigned id = AttachPrinter({"media=0000500", "remainhalf=000000040"});
  ASSERT_NE(0u, id) << suite_.Output();
  const std::string photo = scratch_ / "photo.png";
  ASSERT_EQ(0, RunProcess({KV71P_TEST_PHOTO_PROGRAM, "png", "900", "450", photo}).exitStatus);

  ProcessOptions client;
  client.env = suite_.cups()->ClientEnvironment();
  const ProcessResult lp =
      RunProcess({"lp", "-d", kQueue, "-n", "2", "-o", "PageSize=207x105mm", photo}, client);
  ASSERT_EQ(0, lp.exitStatus) << lp.err;
  std::smatch match;
  ASSERT_TRUE(std::regex_search(lp.out, match, std::regex(std::string(kQueue) + "-([0-9]+)"))) << lp.out;
  const std::string job = match[1];

  const std::string stream = suite_.cups()->backendOutputDir() + "/job-" + job + ".prn";
  ASSERT_TRUE(WaitFor([&] { return !ReadFile(stream).empty(); }, 90)) << suite_.cups()->errorLog();
  EXPECT_EQ(suite_.InfoFile(kFileSerial), ReadFile(suite_.cacheFolder() + "/Print_" + job + ".log"));

  // The stream is well formed and holds one print of both copies.
  const std::string decoded = scratch_ / "decoded";
  const ProcessResult listing = RunProcess({KV71P_DECODER_PROGRAM, "--png", decoded, stream});
  ASSERT_EQ(0, listing.exitStatus) << listing.out << listing.err;
  EXPECT_NE(std::string::npos, listing.out.find("well formed")) << listing.out;
  for (const std::string block : {"CNTRL  START", "IMAGE  YPLANE"}) {
    size_t count = 0;
    for (size_t at = listing.out.find(block); at != std::string::npos; at = listing.out.find(block, at + 1)) ++count;
    EXPECT_EQ(1u, count) << block << "\n" << listing.out;
  }

  const std::string printed = scratch_ / "printed";
  EXPECT_EQ("OK 1", suite_.emulator().Request("print " + std::to_string(id) + " " + stream + " " + printed));
  for (const char* plane : {"yellow", "magenta", "cyan", "preview"}) {
    const std::string fromPrinter =
        ReadFile(printed + "/printer" + std::to_string(id) + "-print1-" + plane + ".png");
    EXPECT_FALSE(fromPrinter.empty()) << plane;
    EXPECT_EQ(ReadFile(decoded + "/print01-" + plane + ".png"), fromPrinter) << plane;
  }
}

}  // namespace
}  // namespace kv71p::test
