// `cmake --install` of the whole build into a temporary DESTDIR with its own
// prefix: the parts that name each other with the prefix's paths, the
// manifest complete, the installed programs finding each other (the
// desktop command, the launcher and the real window, offscreen), and the
// removal from the manifest. The install runs as component "Unspecified",
// which holds every rule of the project (checked below), so it writes
// install_manifest_Unspecified.txt and leaves a real install's manifest alone.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "apps/printwatch/ShownTexts.h"
#include "common/DeviceUri.h"
#include "common/Kv71pConfig.h"
#include "common/PrinterFiles.h"
#include "tests/watchlauncher/LauncherTestSupport.h"

using namespace kv71p;

namespace {

using namespace kv71p::test;
namespace fs = std::filesystem;

const std::string kPrefix = "/opt/kv71p-test";

// An install folder setting as a path under the prefix (absolute ones stay).
std::string Under(const std::string& dir) { return !dir.empty() && dir[0] == '/' ? dir : kPrefix + "/" + dir; }

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProcessResult r = RunProcess(
        {CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", kPrefix, "--component", "Unspecified"},
        {{"DESTDIR=" + root_}, "", "", 120});
    ASSERT_EQ(0, r.exitStatus) << r.out << r.err;
    ASSERT_TRUE(WriteFile(manifest_, ReadFile(std::string(BUILD_DIR) + "/install_manifest_Unspecified.txt")));
  }
  std::string Installed(const std::string& path) const { return root_ + path; }

  TestTempDir dir_;
  std::string root_ = dir_ / "root", manifest_ = dir_ / "install_manifest.txt";
  const std::string programs_ = Under(PROGRAM_INSTALL_DIR);
};

TEST_F(InstallTest, PartsNameThePrefixListedInTheManifestAndRemovedAgain) {
  // Every rule of the build lands in "Unspecified": the install above
  // installed everything a real one does.
  const std::regex component("CMAKE_INSTALL_COMPONENT STREQUAL \"([^\"]*)\"");
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(BUILD_DIR)) {
    if (e.path().filename() != "cmake_install.cmake") continue;
    const std::string script = ReadFile(e.path().string());
    for (std::sregex_iterator m(script.begin(), script.end(), component), end; m != end; ++m)
      EXPECT_EQ("Unspecified", (*m)[1].str()) << e.path();
  }

  // (Each part's place and mode: the packages' test, test_packaging, which
  // installs through the same rules.)
  const std::string data = Under(DATA_INSTALL_DIR);
  const std::string service = Under(SBIN_INSTALL_DIR) + "/infokv71p";
  const std::string unit = Under(SYSTEMD_UNIT_DIR) + "/infokv71p.service";
  const std::string rule = Under(UDEV_RULES_DIR) + "/60-kv71p.rules";
  const std::string ppd = std::string(CUPS_DATADIR) + "/model/" + PPD_MODEL_NAME;
  const std::string backend = std::string(CUPS_SERVERBIN) + "/backend/vexbackend";
  const std::string quirks = std::string(USB_QUIRKS_DIR) + "/kv71p.usb-quirks";
  EXPECT_EQ(0700u, Permissions(Installed(backend))) << "CUPS runs the backend as root only so";
  EXPECT_EQ(ReadFile(PPD_FILE), ReadFile(Installed(ppd)));

  // The service's unit names the installed program; the udev rule lets the
  // service reach the printer and starts it.
  const std::string unitText = ReadFile(Installed(unit));
  for (const std::string& line : {"\nExecStart=" + service + "\n", std::string("\nRestart=always\n"),
                                  std::string("\nWantedBy=multi-user.target\n"), std::string("\nAfter=cups.service")})
    EXPECT_NE(std::string::npos, unitText.find(line)) << line;
  char ids[96];
  std::snprintf(ids, sizeof ids, "ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\"",
                static_cast<unsigned>(KV71P_USB_VENDOR_ID), static_cast<unsigned>(KV71P_USB_PRODUCT_ID));
  const std::string ruleText = ReadFile(Installed(rule));
  EXPECT_NE(std::string::npos, ruleText.find(ids)) << ruleText;
  EXPECT_NE(std::string::npos, ruleText.find("ENV{SYSTEMD_WANTS}+=\"infokv71p.service\""));
  std::snprintf(ids, sizeof ids, "\n0x%04x 0x%04x blacklist\n", static_cast<unsigned>(KV71P_USB_VENDOR_ID),
                static_cast<unsigned>(KV71P_USB_PRODUCT_ID));
  EXPECT_NE(std::string::npos, ReadFile(Installed(quirks)).find(ids));

  // The command for a terminal: a relative link, so the tree can move.
  const std::string link = Under(BIN_INSTALL_DIR) + "/kv71p-status";
  ASSERT_EQ(0777u, Permissions(Installed(link))) << "a symbolic link";
  EXPECT_EQ(fs::weakly_canonical(Installed(programs_ + "/kv71p-status")), fs::weakly_canonical(Installed(link)));
  EXPECT_NE('/', fs::read_symlink(Installed(link)).string()[0]);

  // The desktop entry runs the picker under the prefix (without DESTDIR).
  const std::string entry = Installed(data + "/applications/kv71p-status.desktop");
  EXPECT_NE(std::string::npos, ReadFile(entry).find("\nExec=" + programs_ + "/kv71p-status\n"));
  if (access("/usr/bin/desktop-file-validate", X_OK) == 0) {
    const ProcessResult r = RunProcess({"desktop-file-validate", entry});
    EXPECT_EQ(0, r.exitStatus);
    EXPECT_EQ("", r.out + r.err);
  }

  // The manifest lists the tree; nothing is writable by others.
  std::set<std::string> listed, found;
  std::istringstream lines(ReadFile(manifest_));
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) listed.insert(line);
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root_)) {
    const std::string path = e.path().string();
    if (e.is_directory() && !e.is_symlink()) {
      EXPECT_EQ(0u, Permissions(path) & 022) << path;
      continue;
    }
    found.insert(path.substr(root_.size()));
    if (!e.is_symlink() && path != Installed(backend)) {
      EXPECT_TRUE(Permissions(path) == 0644 || Permissions(path) == 0755) << path;
    }
  }
  EXPECT_EQ(listed, found);

  // Removal from the manifest takes every file and the suite's own folder.
  std::string ownFolders = OWN_FOLDERS;  // "|" between the names
  std::replace(ownFolders.begin(), ownFolders.end(), '|', ';');
  const ProcessResult r = RunProcess({CMAKE_COMMAND, "-DMANIFEST=" + manifest_, "-DOWN_FOLDERS=" + ownFolders,
                                      "-P", UNINSTALL_SCRIPT}, {{"DESTDIR=" + root_}, "", "", 60});
  ASSERT_EQ(0, r.exitStatus) << r.out << r.err;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root_))
    EXPECT_TRUE(e.is_directory() && !e.is_symlink()) << "left behind: " << e.path();
  EXPECT_FALSE(fs::exists(Installed(programs_))) << "the suite's own folder goes too";
  EXPECT_TRUE(fs::exists(Installed(Under(BIN_INSTALL_DIR)))) << "shared folders stay";
}

// The desktop command (through its link in bin) finds the installed
// launcher, which starts the installed window with the installed texts;
// the one queue of our printers, among others, opens without asking.
TEST_F(InstallTest, InstalledProgramsFindEachOther) {
  AdoptedChildren children;
  PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "Office", "-E", "-v", "file:///dev/null"}).exitStatus);
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", kQueueBaseName, "-E", "-v", DeviceUriOf("A1B2C3")}).exitStatus);
  const std::string cache = dir_ / "cache", shown = dir_ / "shown.txt";
  const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + dir_.path(),
                                        "KV71P_PRINTWATCH_SHOWN_FILE=" + shown, "LANGUAGE=de", "LC_ALL=C.UTF-8"};

  const ProcessResult r = RunClient(cupsd, cache, {Installed(Under(BIN_INSTALL_DIR) + "/kv71p-status")}, env);
  ASSERT_EQ(0, r.exitStatus) << r.err;
  const std::vector<pid_t> windows = children.Find("Printwatch");
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ(fs::path(Installed(programs_ + "/Printwatch.app/Contents/MacOS/Printwatch")),
            fs::read_symlink("/proc/" + std::to_string(windows[0]) + "/exe"));
  EXPECT_TRUE(WaitFor([&] { return fs::exists(cache + "/" + FlagFileName(FlagFile::WindowOpen, "A1B2C3")); }, 20));
  // The first cycle's snapshot shows the message in the installed German texts.
  std::map<std::string, std::string> texts;
  ASSERT_TRUE(WaitFor([&] { return (texts = kv71p::printwatch::ParseShownTexts(ReadFile(shown)))["CYCLE"] >= "1"; }, 20));
  EXPECT_EQ("Der Drucker ist ausgeschaltet oder nicht verbunden.", texts["MESSAGE"]);

  EXPECT_EQ(0, WaitForChild(windows[0], SIGTERM, 20));
}

}  // namespace
