// The real vexbackend as CUPS starts it, against the printer emulator:
// discovery, its exit codes, the per-job file, cancel at each kind of wait,
// the side channel, and the texts of its vendor keywords in the PPD.
#include <cups/backend.h>
#include <cups/sidechannel.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>

#include "common/DeviceUri.h"
#include "delivery/PrinterLock.h"
#include "tests/backend/SmallPrints.h"
#include "tests/service/EmulatorProcess.h"

namespace kv71p::test {
namespace {

namespace fs = std::filesystem;
const char kSerial[] = "KV 7001";        // as the printer answers
const char kFileSerial[] = "KV%207001";  // in file names and the device URI

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(emulator_.Start()); }

  std::vector<std::string> Env(const std::string& uriSerial = kFileSerial, int reconnect = 5) {
    return {"KV71P_USB_EMULATOR=" + emulator_.socketPath(), "KV71P_CACHE_DIR=" + cache_,
            "KV71P_LOCK_DIR=" + locks_, "KV71P_RECONNECT_SECONDS=" + std::to_string(reconnect),
            "DEVICE_URI=" + DeviceUriOf(uriSerial)};
  }
  ProcessResult Run(const std::vector<std::string>& args, const std::string& stream,
                    const std::vector<std::string>& env) {
    std::vector<std::string> argv = {KV71P_BACKEND_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, {env, stream, "", 60});
  }
  // A job in the background (job id 7, one copy), its messages in log().
  bool StartJob(const std::string& stream, int sideChannel = -1) {
    return WriteFile(dir_ / "stream", stream) &&
           job_.Start({KV71P_BACKEND_PROGRAM, "7", "user", "title", "1", ""}, Env(),
                      dir_ / "job.log", dir_ / "stream", sideChannel);
  }
  std::string log() const { return ReadFile(dir_ / "job.log"); }
  bool Logged(const std::string& line) {
    return WaitFor([&] { return log().find(line) != std::string::npos; }, 20);
  }
  std::string PerJobFile() const { return cache_ + "/Print_7.log"; }
  // A printer with the serial number kSerial and these further properties.
  unsigned AttachPrinter(std::vector<std::string> properties) {
    properties.push_back(std::string("serial=") + kSerial);
    return emulator_.Attach(properties);
  }

  EmulatorProcess emulator_;
  TestTempDir dir_;
  std::string cache_ = dir_ / "cache/KV-71P", locks_ = dir_ / "locks";
  BackgroundProcess job_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Each listing, as cupsBackendReport writes it, lists exactly the printers
// whose serial numbers the suite accepts, fast, with nothing but DEBUG:
// lines on standard error.
TEST_F(BackendTest, DiscoveryListsThePrintersWithUsableSerialNumbers) {
  struct Case {
    const char* name;
    std::vector<std::string> serials;
    std::vector<std::string> listed;  // in the URI's form
  };
  const std::vector<Case> cases = {
      {"none", {}, {}},
      {"one", {kSerial}, {kFileSerial}},
      {"several, one refused", {"AB12", "../x", "CD34"}, {"AB12", "CD34"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned> ids;
    for (const std::string& serial : c.serials)
      ids.push_back(emulator_.Attach({"serial=" + serial}));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = Run({}, "", Env());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(CUPS_BACKEND_OK, r.exitStatus);
    std::vector<std::string> expected;
    for (const std::string& serial : c.listed)
      expected.push_back(
          "direct " + DeviceUriOf(serial) +
          " \"KORVALE SYSTEMS KV-71P\" \"KORVALE SYSTEMS KV-71P (" + serial +
          ")\" \"MFG:Korvale;CMD:VEX;MDL:KV-71P;CLS:PRINTER;DES:Korvale KV-71P;\" \"\"");
    EXPECT_EQ(expected, Lines(r.out));
    for (const std::string& line : Lines(r.err)) EXPECT_EQ(0u, line.find("DEBUG: ")) << line;
    for (unsigned id : ids) emulator_.Detach(id);
  }
}

// Every ending of a job with its exit code and its message; what the
// printer printed.
TEST_F(BackendTest, EachEndingHasItsExitCode) {
  const std::string incomplete = SmallPrints(1) + SmallPrintBlocks()[0] + SmallPrintBlocks()[1];
  struct Case {
    const char* name;
    std::vector<std::string> printer;  // its properties; none: no printer
    std::vector<std::string> args;     // empty: a job's usual ones
    std::string uriSerial, stream;
    int exit;
    const char* message;
    const char* printed;  // the printer's print events
  };
  const std::string one = SmallPrints(1);
  const std::vector<Case> cases = {
      {"all prints printed", {"print-ms=0"}, {}, kFileSerial, SmallPrints(2), CUPS_BACKEND_OK, "\nPAGE: 2 1\n",
       "OK started:half printed:half started:half printed:half"},
      {"a wrong argument count", {}, {"7", "user"}, kFileSerial, "", CUPS_BACKEND_FAILED, "Usage: ", ""},
      {"a refused serial number", {}, {}, "..%2Fx", "", CUPS_BACKEND_FAILED,
       "ERROR: The device URI's serial number is refused (holds \"/\" or \"..\")", ""},
      {"no command stream", {"print-ms=0"}, {}, kFileSerial, "%!PS-Adobe-3.0\n", CUPS_BACKEND_FAILED,
       "ERROR: The print data is not a KV-71P command stream (at byte 0:", "OK"},
      {"an incomplete last print", {"print-ms=0"}, {}, kFileSerial, incomplete, CUPS_BACKEND_FAILED,
       "the stream ends inside print 2", "OK started:half printed:half"},
      {"the printer absent past the bound", {}, {}, kFileSerial, one, CUPS_BACKEND_RETRY,
       "STATE: +offline-report", ""},
      {"the printer refuses to be opened", {"refuse-open=interface"}, {}, kFileSerial, one,
       CUPS_BACKEND_RETRY_CURRENT, "cannot be opened", "OK"},
      {"a system error", {"status=2100"}, {}, kFileSerial, one, CUPS_BACKEND_STOP,
       "STATE: +other-error\nERROR: System error 2100: ", "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const unsigned id = !c.printer.empty() || *c.printed != '\0' ? AttachPrinter(c.printer) : 0;
    const std::vector<std::string> args =
        c.args.empty() ? std::vector<std::string>{"7", "user", "title", "1", ""} : c.args;
    const ProcessResult r = Run(args, c.stream, Env(c.uriSerial, 1));
    EXPECT_EQ(c.exit, r.exitStatus) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
    if (id != 0) {
      EXPECT_EQ(c.printed, emulator_.Prints(id));
      emulator_.Detach(id);
    }
    EXPECT_FALSE(fs::exists(PerJobFile()));
  }
}

// The per-job file: the information file's lines with fresh answers,
// written over a link planted at its name (the link's target untouched),
// readable by the filter's user, and gone with the job.
TEST_F(BackendTest, PerJobFileReplacesAPlantedLinkAndGoesWithTheJob) {
  fs::create_directories(cache_);
  ASSERT_TRUE(WriteFile(dir_ / "target", "kept"));
  fs::create_symlink(dir_ / "target", PerJobFile());
  ASSERT_NE(0u, AttachPrinter({"remain=000000077", "print-ms=2000"}));
  ASSERT_TRUE(StartJob(SmallPrints(1)));
  ASSERT_TRUE(WaitFor([&] { return S_ISREG(ModeOf(PerJobFile())); }, 20));
  EXPECT_EQ(0644u, Permissions(PerJobFile()));
  EXPECT_EQ(DefaultInformationFile(kFileSerial, "KV-71P", {{"MEDIA_REMAIN", "00077"}}),
            ReadFile(PerJobFile()));
  EXPECT_EQ(CUPS_BACKEND_OK, job_.Stop(0, 20)) << log();
  EXPECT_FALSE(Exists(PerJobFile()));
  EXPECT_EQ("kept", ReadFile(dir_ / "target"));
}

// SIGTERM in each kind of wait: the job ends at once with status 0, its
// per-job file gone, and no print whose START was not sent is printed.
TEST_F(BackendTest, CancelEndsEachWaitAtOnce) {
  struct Case {
    const char* name;
    std::vector<std::string> printer;  // none: absent
    bool lockHeld;
    const char* waiting;  // the line that shows the wait
    const char* printed;
  };
  const std::vector<Case> cases = {
      {"for the hand-over lock", {"print-ms=0"}, true, "INFO: Waiting for printer KV%207001: ", "OK"},
      {"for the absent printer", {}, false, "INFO: Waiting for printer KV%207001 to be connected.", ""},
      {"while print 1 prints", {"print-ms=3000"}, false, "INFO: Printing print 1.", "OK started:half printed:half"},
  };
  setenv("KV71P_LOCK_DIR", locks_.c_str(), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    delivery::PrinterLock lock(kFileSerial);
    if (c.lockHeld) {
      ASSERT_EQ(delivery::LockAttempt::Taken, lock.TryTake());
    }
    const unsigned id = c.printer.empty() ? 0 : AttachPrinter(c.printer);
    ASSERT_TRUE(StartJob(SmallPrints(2)));
    ASSERT_TRUE(Logged(c.waiting)) << log();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CUPS_BACKEND_OK, job_.Stop(SIGTERM, 10)) << log();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(fs::exists(PerJobFile()));
    if (id != 0) {
      EXPECT_TRUE(WaitFor([&] { return emulator_.Prints(id) == c.printed; }, 5)) << emulator_.Prints(id);
      emulator_.Detach(id);
    }
    fs::remove(dir_ / "job.log");
  }
}

// A filter's questions on the side channel (file descriptor 4), in the
// message format of CUPS's side channel: command, status, 16-bit length,
// data.
TEST_F(BackendTest, SideChannelAnswersFromThePrintersState) {
  int channel[2];
  ASSERT_EQ(0, socketpair(AF_LOCAL, SOCK_STREAM | SOCK_CLOEXEC, 0, channel));
  const unsigned id = AttachPrinter({"print-ms=4000"});
  ASSERT_TRUE(StartJob(SmallPrints(1), channel[1]));
  ASSERT_TRUE(Logged("INFO: Printing print 1.")) << log();
  auto ask = [&](cups_sc_command_t command) {
    const char request[4] = {static_cast<char>(command), 0, 0, 0};
    char answer[2048 + 4] = {};
    if (write(channel[0], request, 4) != 4) return std::string("(not sent)");
    const ssize_t n = read(channel[0], answer, sizeof answer);
    return n < 4 ? std::string("(no answer)") : std::string(answer, static_cast<size_t>(n));
  };
  const std::string deviceId = "MFG:Korvale;CMD:VEX;MDL:KV-71P;CLS:PRINTER;DES:Korvale KV-71P;";
  struct Case {
    cups_sc_command_t command;
    std::string answer;
  };
  const std::vector<Case> cases = {
      {CUPS_SC_CMD_GET_BIDI, std::string("\3\1\0\1\1", 5)},
      {CUPS_SC_CMD_GET_CONNECTED, std::string("\10\1\0\1\1", 5)},
      {CUPS_SC_CMD_GET_STATE, std::string("\5\1\0\1\3", 5)},  // online, busy
      {CUPS_SC_CMD_GET_DEVICE_ID,
       std::string("\4\1\0", 3) + static_cast<char>(deviceId.size()) + deviceId},
      {CUPS_SC_CMD_DRAIN_OUTPUT, std::string("\2\1\0\0", 4)},
      {CUPS_SC_CMD_SOFT_RESET, std::string("\1\7\0\0", 4)},  // not implemented
  };
  // Busy once the printer reports its printing.
  ASSERT_TRUE(WaitFor([&] { return ask(CUPS_SC_CMD_GET_STATE) == cases[2].answer; }, 10));
  for (const Case& c : cases) EXPECT_EQ(c.answer, ask(c.command)) << c.command;
  // Out of paper: online, an error, media empty.
  ASSERT_TRUE(emulator_.Set(id, {"status=1100"}));
  EXPECT_TRUE(
      WaitFor([&] { return ask(CUPS_SC_CMD_GET_STATE) == std::string("\5\1\0\1\45", 5); }, 10));
  ASSERT_TRUE(emulator_.Set(id, {"status=0"}));
  EXPECT_EQ(CUPS_BACKEND_OK, job_.Stop(0, 20)) << log();
  close(channel[0]);
  close(channel[1]);
}

// Each vendor keyword the backend owns has its text in the queue's PPD.
TEST_F(BackendTest, VendorKeywordsHaveTheirTextsInThePpd) {
  const ProcessResult r = Run({"7", "user", "title", "1", ""}, "", Env(kFileSerial, 0));
  std::smatch owned;
  ASSERT_TRUE(std::regex_search(r.err, owned, std::regex("STATE: -([^\n]*)\n"))) << r.err;
  const std::string ppd = ReadFile(KV71P_PPD_SOURCE);
  std::istringstream keywords(owned[1].str());
  for (std::string keyword; std::getline(keywords, keyword, ',');) {
    const bool vendor = keyword.compare(0, 12, "com.korvale-") == 0;
    EXPECT_TRUE(!vendor || ppd.find("\n*cupsIPPReason " + keyword + "/") != std::string::npos)
        << keyword;
  }
}

}  // namespace
}  // namespace kv71p::test
