// The whole suite on one machine, as a user meets it: the printer emulator
// on the emulated USB bus, a private CUPS scheduler (the project's PPD, its
// filter and its backend vexbackend, which prints to the emulated printer),
// the status service infokv71p, the launcher Watchlauncher of the build
// tree and the status windows it starts (Qt offscreen), and the printer
// application beside the queue, all sharing one private cache folder.
// Windows started by the launcher become children of the test process (a
// child subreaper), so the test sees exactly which windows run and with
// which arguments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "apps/printwatch/FlagFiles.h"
#include "apps/printwatch/ShownTexts.h"
#include "common/CacheFolder.h"
#include "common/DeviceUri.h"
#include "tests/service/ServiceHarness.h"
#include "tests/support/FreePort.h"
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

class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, mkdir(runtimeFolder_.c_str(), 0700));
    ASSERT_TRUE(suite_.emulator().Start());
    // The scheduler runs the built filter and the suite's backend, which
    // prints to the emulated printer.
    chmod(scratch_.path().c_str(), 0755);
    PrivateCupsd::Options options;
    options.filters.push_back({"rastertokv71p", KV71P_FILTER_PROGRAM});
    options.setEnv = {"KV71P_CACHE_DIR=" + suite_.cacheFolder(),
                      "KV71P_USB_EMULATOR=" + suite_.emulator().socketPath(),
                      "KV71P_LOCK_DIR=" + suite_.lockFolder(), "KV71P_RECONNECT_SECONDS=60"};
    ASSERT_TRUE(suite_.StartCups(options));
    ASSERT_TRUE(suite_.StartService());
  }
  void TearDown() override {
    for (pid_t window : Windows()) WaitForChild(window, SIGKILL, 10);
  }

  // Attaches a printer and waits for its queue and first information file.
  unsigned AttachPrinter(const std::vector<std::string>& properties,
                         const std::string& serial = kSerial, const std::string& queue = kQueue) {
    std::vector<std::string> all = {"serial=" + serial};
    all.insert(all.end(), properties.begin(), properties.end());
    const unsigned id = suite_.emulator().Attach(all);
    const std::string fileSerial = std::regex_replace(serial, std::regex(" "), "%20");
    const bool queued =
        WaitFor([&] { return suite_.Queues()[queue] == DeviceUriOf(fileSerial); }, 30);
    return id != 0 && queued && suite_.WaitForInfoFile(fileSerial) ? id : 0;
  }
  // A photo as a PDF (CUPS's own filters make it), made once.
  std::string Pdf() {
    const std::string png = scratch_ / "photo.png", pdf = scratch_ / "photo.pdf";
    if (ReadFile(pdf).empty() &&
        (RunProcess({KV71P_TEST_PHOTO_PROGRAM, "png", "900", "450", png}).exitStatus != 0 ||
         !WriteFile(pdf, RunProcess({"cupsfilter", "-m", "application/pdf", png}).out)))
      return "";
    return pdf;
  }
  // Prints the photo to `queue` with lp; the job's number ("" when lp failed).
  std::string Lp(const std::string& queue, const std::vector<std::string>& options) {
    std::vector<std::string> argv = {"lp", "-d", queue};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(Pdf());
    const ProcessResult lp = RunProcess(argv, {suite_.cups()->ClientEnvironment(), "", "", 60});
    std::smatch match;
    return std::regex_search(lp.out, match, std::regex(queue + "-([0-9]+)")) ? match[1].str() : "";
  }
  // Waits until the job has left the queue (done, cancelled or failed).
  bool JobDone(const std::string& job) {
    return !job.empty() && WaitFor(
                               [&] {
                                 const ProcessResult r =
                                     RunProcess({"lpstat", "-W", "not-completed", "-o"},
                                                {suite_.cups()->ClientEnvironment(), "", "", 30});
                                 return r.exitStatus == 0 &&
                                        r.out.find("-" + job + " ") == std::string::npos;
                               },
                               120);
  }
  std::string Events(unsigned id) { return suite_.emulator().Prints(id); }
  // The queue's printer-state-reasons and marker-levels as ipptool reports them.
  std::map<std::string, std::string> PrinterState(const std::string& queue = kQueue) {
    const std::string uri = "ipp://" +
                            std::regex_replace(suite_.cups()->socket(), std::regex("/"), "%2F") +
                            "/printers/" + queue;
    const ProcessResult r = RunProcess({"ipptool", "-t", uri, KV71P_PRINTER_STATE_TEST},
                                       {suite_.cups()->ClientEnvironment(), "", "", 30});
    std::map<std::string, std::string> state;
    std::smatch m;
    for (auto text = r.out;
         std::regex_search(text, m, std::regex("\\n +([a-z-]+) \\([^)]*\\) = ([^\\n]*)"));
         text = m.suffix())
      state[m[1]] = m[2];
    return state;
  }
  std::string PerJobFile(const std::string& job) const {
    return suite_.cacheFolder() + "/Print_" + job + ".log";
  }
  // The launcher for `queue` in a desktop session's environment.
  ProcessResult Launch(const std::string& queue) {
    return RunClient(
        *suite_.cups(), suite_.cacheFolder(), {WATCHLAUNCHER_BINARY, queue},
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
  // writes its first information file.
  const unsigned id = AttachPrinter({"status=0", "firmware=2.07", "media=0000500", "class=0000003",
                                     "initial=000000400", "remain=000000099",
                                     "remainhalf=000000198", "total=0004321"});
  ASSERT_NE(0u, id) << suite_.Output() << suite_.cups()->errorLog();

  // A user's instance of the queue is a second destination of the same
  // name, naming another printer: the first one is used.
  std::filesystem::create_directories(suite_.cups()->home() + "/.cups");
  ASSERT_TRUE(WriteFile(suite_.cups()->home() + "/.cups/lpoptions",
                        std::string("Dest ") + kQueue + "/studio device-uri=" + DeviceUriOf("OTHER") + "\n"));

  // The user opens the queue's utility: the launcher starts one window
  // with the serial number and the name CUPS shows, then quits.
  const ProcessResult launch = Launch(kQueue);
  ASSERT_EQ(0, launch.exitStatus) << launch.err;
  const std::vector<pid_t> windows = Windows();
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ((std::vector<std::string>{kFileSerial, kPrinterName}), ArgumentsOf(windows[0]));
  ASSERT_TRUE(WaitFor([&] { return Exists(CachePath("_UTIL")); }, 20)) << "the window's flag";

  // The window shows the printer's state; the count comes with the answer
  // to the window's start flag.
  Shown shown = WaitForShown("TOTAL_COUNT", "4321");
  EXPECT_EQ((Shown{{"TITLE", kPrinterName}, {"STATUS", "Ready"}, {"STATUS_ICON", "PrtStsIdle"},
                   {"MESSAGE", "The printer is ready to print."}, {"MEDIA_TITLE", "Media [ Pure Premium ]"},
                   {"MEDIA_SIZE", "8 x 10 in"}, {"MEDIA_COUNT", "99 / 400  sheets ( 198  sheets :  8x5in)"},
                   {"GAUGE", "24"}, {"TOTAL_COUNT", "4321"}, {"SERIAL_NO", kSerial}, {"FIRM_VERSION", "2.07"}}),
            Pick(shown, kShownItems));
  EXPECT_FALSE(Exists(CachePath("_START_UTIL"))) << "the service took the start flag";

  // Four prints later the printer counts 4325: the refresh button's action
  // (the click itself: test_printwatch_window) brings the new count. (The
  // count asked for only then: the service's InformationFileTest.)
  ASSERT_TRUE(suite_.emulator().Set(id, {"total=0004325"}));
  setenv("KV71P_CACHE_DIR", suite_.cacheFolder().c_str(), 1);
  CheckAndMake_CacheFolder();
  printwatch::CreateFlagFile(FlagFile::WindowTotalCount, kFileSerial);
  EXPECT_FALSE(WaitForShown("TOTAL_COUNT", "4325").empty());
  EXPECT_FALSE(Exists(CachePath("_TC_UTIL"))) << "the service took the refresh flag";

  // Out of paper. The service's next cycle writes it and the window's next
  // cycle after that shows it: at most the window's third cycle from now,
  // counting the one that may have begun before the change.
  ASSERT_TRUE(suite_.emulator().Set(id, {"status=1100"}));
  const int cycle = std::stoi(LatestShown()["CYCLE"]);
  shown = WaitForShown("STATUS_ICON", "PrtStsPaperEnd");
  ASSERT_FALSE(shown.empty());
  EXPECT_LE(std::stoi(shown["CYCLE"]), cycle + 3);
  EXPECT_EQ((Shown{{"STATUS", "Out of paper"}, {"MESSAGE", "Load a new paper roll."},
                   {"MEDIA_COUNT", "99 / 400  sheets ( 198  sheets :  8x5in)"}, {"TOTAL_COUNT", "4325"}}),
            Pick(shown, {"STATUS", "MESSAGE", "MEDIA_COUNT", "TOTAL_COUNT"}));

  // Unplugged: the placeholder file, and the window shows the printer
  // offline. It stays open, as the queue is still there.
  ASSERT_TRUE(suite_.emulator().Detach(id));
  EXPECT_TRUE(suite_.WaitForInfoFile(kFileSerial, PlaceholderFile())) << suite_.InfoFile(kFileSerial);
  // (What the window shows of a printer that is gone: the window's tests.)
  EXPECT_FALSE(WaitForShown("STATUS_ICON", "PrtStsOffline").empty());
  EXPECT_EQ(windows, Windows());

  // The queue deleted, the last one: the window closes by itself and
  // removes its flag.
  ASSERT_TRUE(suite_.DeleteQueue(kQueue));
  EXPECT_EQ(0, WaitForChild(windows[0], 0, 20));
  EXPECT_FALSE(Exists(CachePath("_UTIL")));
}

// A PDF printed to each of two printers' queues: CUPS's own filters,
// rastertokv71p reading the loaded media from the backend's per-job file,
// the backend delivering the stream to the queue's own emulated printer.
// (Every block and picture of a print arriving as sent: the backend on
// libusb, test_usbmock.)
TEST_F(ScenarioTest, PdfPrintedToEachQueueComesOutOfItsPrinter) {
  // 8 x 10 in media with an even number of half prints left: two 8 x 4 in
  // photos go on one print.
  const unsigned id = AttachPrinter({"media=0000500", "remainhalf=000000040", "print-ms=100"});
  const unsigned second = AttachPrinter({"print-ms=100"}, "KV 7002", std::string(kQueue) + "_2");
  ASSERT_TRUE(id != 0 && second != 0) << suite_.Output();
  const std::string job = Lp(kQueue, {"-n", "2", "-o", "PageSize=207x105mm"});
  const std::string secondJob = Lp(std::string(kQueue) + "_2", {"-o", "PageSize=207x257mm"});
  ASSERT_TRUE(JobDone(job) && JobDone(secondJob)) << suite_.cups()->errorLog();
  EXPECT_EQ("OK started:full printed:full", Events(id));
  EXPECT_EQ("OK started:full printed:full", Events(second));
  EXPECT_FALSE(Exists(PerJobFile(job)));

}

// Out of paper after the first of two prints: CUPS shows it, and the
// supplies as they fell; cleared, the job completes, each print printed once.
TEST_F(ScenarioTest, PaperEndInTheMiddleShowsInCupsAndNoPrintIsLostOrDoubled) {
  const unsigned id = AttachPrinter({"media=0000500", "initial=000000100", "remain=000000050",
                                     "remainhalf=000000100", "print-ms=1500"});
  ASSERT_NE(0u, id) << suite_.Output();
  const std::string job = Lp(kQueue, {"-n", "2", "-o", "PageSize=207x156mm"});
  ASSERT_TRUE(WaitFor([&] { return Events(id) == "OK started:full"; }, 90))
      << suite_.cups()->errorLog();
  ASSERT_TRUE(suite_.emulator().Set(id, {"status=1100"}));
  ASSERT_TRUE(
      WaitFor([&] { return PrinterState()["printer-state-reasons"] == "media-empty-error"; }, 30));
  // The first print, printing on, is counted; the ribbon level follows.
  EXPECT_TRUE(WaitFor([&] { return PrinterState()["marker-levels"] == "49"; }, 30))
      << "98 of 200 half prints left";
  EXPECT_EQ("OK started:full printed:full", Events(id));

  ASSERT_TRUE(suite_.emulator().Set(id, {"status=0"}));
  ASSERT_TRUE(JobDone(job)) << suite_.cups()->errorLog();
  EXPECT_EQ("OK started:full printed:full started:full printed:full", Events(id));
  EXPECT_EQ((std::map<std::string, std::string>{{"printer-state-reasons", "none"},
                                                {"marker-levels", "48"}}),
            PrinterState());
}

// Unplugged while its first print prints (the print ends as printed), and
// plugged in again: the job goes on with the second print, each printed once.
TEST_F(ScenarioTest, PrinterUnpluggedInTheMiddleOfAJobAndBack) {
  const unsigned id = AttachPrinter({"media=0000500", "print-ms=1500"});
  ASSERT_NE(0u, id) << suite_.Output();
  const std::string job = Lp(kQueue, {"-n", "2", "-o", "PageSize=207x156mm"});
  ASSERT_TRUE(WaitFor([&] { return Events(id) == "OK started:full"; }, 90))
      << suite_.cups()->errorLog();
  // The backend's next status query while the print prints unplugs it.
  ASSERT_TRUE(suite_.emulator().Set(id, {"unplug-on=STATUS"}));
  std::smatch total;
  const std::string get = "get " + std::to_string(id);
  ASSERT_TRUE(WaitFor([&] { return Events(id) == "OK started:full printed:full"; }, 20));
  ASSERT_NE(std::string::npos, suite_.emulator().Request(get).find("attached=no"));
  const std::string properties = suite_.emulator().Request(get);
  ASSERT_TRUE(std::regex_search(properties, total, std::regex("total=([0-9]+)")));
  ASSERT_TRUE(
      WaitFor([&] { return PrinterState()["printer-state-reasons"] == "offline-report"; }, 30));

  const unsigned again =
      suite_.emulator().Attach({std::string("serial=") + kSerial, "media=0000500", "print-ms=100",
                                "total=" + total[1].str()});
  ASSERT_TRUE(JobDone(job)) << suite_.cups()->errorLog();
  EXPECT_EQ("OK started:full printed:full", Events(again));
  EXPECT_EQ("none", PrinterState()["printer-state-reasons"]);
}

// The queue's backend, the printer application and the service on one
// printer: a job sent to each at once is printed one after the other, each
// print once, and no program is left waiting for the printer.
TEST_F(ScenarioTest, QueueAndPrinterApplicationTakeTurnsWithTheService) {
  const unsigned id = AttachPrinter({"media=0000500", "print-ms=3000"});
  ASSERT_NE(0u, id) << suite_.Output();
  ASSERT_FALSE(Pdf().empty());
  TestTempDir folder;
  chmod(folder.path().c_str(), 0755);
  const std::vector<std::string> env = {"SNAP_COMMON=" + folder.path(), "KV71P_USB_EMULATOR=" + suite_.emulator().socketPath(),
                                        "KV71P_CACHE_DIR=" + suite_.cacheFolder(), "KV71P_LOCK_DIR=" + suite_.lockFolder()};
  const std::string port = std::to_string(FreePort()), log = folder / "app.log";
  BackgroundProcess app;
  ASSERT_TRUE(app.Start({KV71P_PRINTER_APP, "server", "-o", "server-port=" + port, "-o",
                         "state-directory=" + folder / "state", "-o", "log-level=debug", "-o", "log-file=" + log},
                        env));
  // The application adds the printer by itself; its job goes first, the
  // queue's follows while the application's first print prints.
  const std::string uri = "ipp://localhost:" + port + "/ipp/print/KV-71P_KV_7001";
  const std::vector<std::string> submit = {KV71P_PRINTER_APP, "submit", "-u", uri, scratch_ / "photo.png"};
  ASSERT_TRUE(WaitFor([&] { return RunProcess(submit, {env, "", "", 60}).exitStatus == 0; }, 30)) << ReadFile(log);
  ASSERT_TRUE(WaitFor([&] { return Events(id).find("started") != std::string::npos; }, 60)) << ReadFile(log);
  const std::string job = Lp(kQueue, {"-o", "PageSize=207x156mm"});
  ASSERT_TRUE(JobDone(job)) << suite_.cups()->errorLog();
  // The application's 8 x 4 in photo is a half print of the loaded roll.
  EXPECT_TRUE(WaitFor([&] { return Events(id) == "OK started:half printed:half started:full printed:full"; }, 30))
      << Events(id) << ReadFile(log);

  EXPECT_EQ(0, RunProcess({KV71P_PRINTER_APP, "shutdown"}, {env, "", "", 30}).exitStatus);
  EXPECT_TRUE(WaitFor([&] { return !app.Running(); }, 20));
  EXPECT_EQ(0, app.exitStatus());
  EXPECT_EQ(0, suite_.StopService(SIGTERM)) << suite_.Output();
}

}  // namespace
}  // namespace kv71p::test
