// `cmake --install` of the whole build into a temporary DESTDIR with its own
// prefix: every part of the suite (the service with its systemd unit and
// udev rule too) in its place with its mode and content, the manifest
// complete, the installed programs finding each other (the desktop command,
// the launcher and the real window, offscreen), and the removal from the
// manifest.
//
// The install runs as component "Unspecified", which holds every rule of
// the project (no rule names a component; a test below checks that), so it
// writes install_manifest_Unspecified.txt and leaves the manifest of a real
// install from this build alone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Kv71pConfig.h"
#include "LauncherTestSupport.h"
#include "ShownTexts.h"

namespace {

using namespace kv71p::test;
namespace fs = std::filesystem;

const std::string kPrefix = "/opt/kv71p-test";

// An install folder setting as a path under the prefix (absolute ones stay).
std::string Under(const std::string& prefix, const std::string& dir) {
  return !dir.empty() && dir[0] == '/' ? dir : prefix + "/" + dir;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TestTempDir;
    root_ = *dir_ / "root";
    ProcessOptions options;
    options.env = {"DESTDIR=" + root_};
    options.timeoutSeconds = 120;
    install_ = new ProcessResult(RunProcess(
        {CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", kPrefix, "--component", "Unspecified"},
        options));
    manifest_ = *dir_ / "install_manifest.txt";
    WriteFile(manifest_, ReadFile(std::string(BUILD_DIR) + "/install_manifest_Unspecified.txt"));
  }
  static void TearDownTestSuite() {
    delete install_;
    delete dir_;
  }
  void SetUp() override {
    ASSERT_EQ(0, install_->exitStatus) << install_->out << install_->err;
  }

  static std::string Installed(const std::string& path) { return root_ + path; }
  static std::string ProgramFolder() { return Under(kPrefix, PROGRAM_INSTALL_DIR); }

  static TestTempDir* dir_;
  static std::string root_, manifest_;
  static ProcessResult* install_;
};

TestTempDir* InstallTest::dir_ = nullptr;
std::string InstallTest::root_, InstallTest::manifest_;
ProcessResult* InstallTest::install_ = nullptr;

TEST_F(InstallTest, NoInstallRuleNamesAComponent) {
  // Every rule of the build lands in "Unspecified", so the install above
  // installed everything a real one does.
  const std::regex component("CMAKE_INSTALL_COMPONENT STREQUAL \"([^\"]*)\"");
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(BUILD_DIR)) {
    if (e.path().filename() != "cmake_install.cmake") continue;
    const std::string script = ReadFile(e.path().string());
    for (std::sregex_iterator m(script.begin(), script.end(), component), end; m != end; ++m) {
      EXPECT_EQ("Unspecified", (*m)[1].str()) << e.path();
    }
  }
}

TEST_F(InstallTest, EveryPartIsInPlaceWithItsMode) {
  const std::string programs = ProgramFolder();
  const std::string resources = programs + "/Printwatch.app/Contents/Resources";
  const std::string data = Under(kPrefix, DATA_INSTALL_DIR);
  std::vector<std::pair<std::string, mode_t>> expected = {
      {programs + "/Watchlauncher", 0755},
      {programs + "/kv71p-status", 0755},
      {programs + "/kv71p-status_en.qm", 0644},
      {programs + "/kv71p-status_de.qm", 0644},
      {programs + "/Printwatch.app/Contents/MacOS/Printwatch", 0755},
      {resources + "/printwatch_en.qm", 0644},
      {resources + "/printwatch_de.qm", 0644},
      {data + "/applications/kv71p-status.desktop", 0644},
      {data + "/icons/hicolor/scalable/apps/kv71p-status.svg", 0644},
      {data + "/icons/hicolor/64x64/apps/kv71p-status.png", 0644},
      {std::string(CUPS_DATADIR) + "/model/" + PPD_MODEL_NAME, 0644},
  };
  for (const char* icon : {"Cooling", "CoverOpen", "Idle", "NoScrapBox", "Offline", "PaperEnd",
                           "PaperErr", "PaperJam", "Printing", "RibbonEnd", "RibbonErr",
                           "SystemErr01"}) {
    expected.push_back({resources + "/PrtSts" + icon + ".png", 0644});
  }
  // The service with its systemd unit and the printer's udev rule.
  const std::string service = Under(kPrefix, SBIN_INSTALL_DIR) + "/infokv71p";
  const std::string unit = Under(kPrefix, SYSTEMD_UNIT_DIR) + "/infokv71p.service";
  const std::string rule = Under(kPrefix, UDEV_RULES_DIR) + "/60-kv71p.rules";
  expected.insert(expected.end(), {{service, 0755}, {unit, 0644}, {rule, 0644}});
#ifdef FILTER_INSTALLED
  // CUPS runs only filters that no one but their owner may change.
  expected.push_back({std::string(CUPS_SERVERBIN) + "/filter/rastertokv71p", 0755});
#endif
  for (const auto& [path, mode] : expected) {
    struct stat st;
    ASSERT_EQ(0, lstat(Installed(path).c_str(), &st)) << path;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << path;
    EXPECT_EQ(mode, st.st_mode & 07777) << path;
  }
  EXPECT_EQ(ReadFile(PPD_FILE), ReadFile(Installed(std::string(CUPS_DATADIR) + "/model/" + PPD_MODEL_NAME)));

  const std::string unitText = ReadFile(Installed(unit));
  for (const std::string& line : {"\nExecStart=" + service + "\n", std::string("\nRestart=always\n"),
                                  std::string("\nWantedBy=multi-user.target\n"),
                                  std::string("\nAfter=cups.service")})
    EXPECT_NE(std::string::npos, unitText.find(line)) << line;
  char ids[96];
  std::snprintf(ids, sizeof ids, "ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\"",
                static_cast<unsigned>(KV71P_USB_VENDOR_ID), static_cast<unsigned>(KV71P_USB_PRODUCT_ID));
  const std::string ruleText = ReadFile(Installed(rule));
  EXPECT_NE(std::string::npos, ruleText.find(ids)) << ruleText;
  EXPECT_NE(std::string::npos, ruleText.find("ENV{SYSTEMD_WANTS}+=\"infokv71p.service\""));

  // The command for a terminal: a relative link, so the tree can move.
  const std::string link = Under(kPrefix, BIN_INSTALL_DIR) + "/kv71p-status";
  ASSERT_EQ(0777u, ModeOf(Installed(link))) << "a symbolic link";
  EXPECT_EQ(fs::weakly_canonical(Installed(programs + "/kv71p-status")),
            fs::weakly_canonical(Installed(link)));
  EXPECT_NE('/', fs::read_symlink(Installed(link)).string()[0]);

  // The desktop entry runs the picker under the prefix (without DESTDIR).
  const std::string entry = Installed(data + "/applications/kv71p-status.desktop");
  EXPECT_NE(std::string::npos, ReadFile(entry).find("\nExec=" + programs + "/kv71p-status\n"));
  if (access("/usr/bin/desktop-file-validate", X_OK) == 0) {
    const ProcessResult r = RunProcess({"desktop-file-validate", entry});
    EXPECT_EQ(0, r.exitStatus);
    EXPECT_EQ("", r.out + r.err);
  }
}

TEST_F(InstallTest, ManifestListsTheTreeAndNothingIsWritableByOthers) {
  std::set<std::string> listed;
  for (const std::string& line : Lines(ReadFile(manifest_))) listed.insert(line);
  std::set<std::string> found;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root_)) {
    const std::string path = e.path().string();
    const mode_t mode = ModeOf(path);
    if (e.is_symlink()) {
      found.insert(path.substr(root_.size()));
    } else if (e.is_directory()) {
      EXPECT_EQ(0u, mode & 022) << path;
    } else {
      found.insert(path.substr(root_.size()));
      EXPECT_TRUE(mode == 0644 || mode == 0755) << path << " " << std::oct << mode;
    }
  }
  EXPECT_EQ(listed, found);
}

// The desktop command (through its link in bin) finds the installed
// launcher, which starts the installed window with the installed texts.
TEST_F(InstallTest, InstalledProgramsFindEachOther) {
  AdoptedChildren children;
  PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KORVALE_SYSTEMS_KV_71P", "-E", "-D", "KORVALE SYSTEMS KV-71P",
                              "-v", std::string(kQueueUri) + "A1B2C3"})
                   .exitStatus);
  TestTempDir runtime;
  chmod(runtime.path().c_str(), 0700);
  const std::string cache = *dir_ / "cache";
  const std::string shown = *dir_ / "shown.txt";
  const std::vector<std::string> env = {
      "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime.path(),
      "KV71P_PRINTWATCH_SHOWN_FILE=" + shown, "LANGUAGE=de", "LC_ALL=C.UTF-8"};

  const std::string command = Installed(Under(kPrefix, BIN_INSTALL_DIR) + "/kv71p-status");
  ProcessResult r = RunClient(cupsd, cache, {command}, env);
  ASSERT_EQ(0, r.exitStatus) << r.err;
  const std::vector<pid_t> windows = children.Find("Printwatch");
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ(fs::path(Installed(ProgramFolder() + "/Printwatch.app/Contents/MacOS/Printwatch")),
            fs::read_symlink("/proc/" + std::to_string(windows[0]) + "/exe"));
  EXPECT_TRUE(WaitFor([&] { return fs::exists(cache + "/KV-71P_A1B2C3_UTIL"); }, 20));
  // The first cycle's snapshot shows the message.
  std::map<std::string, std::string> texts;
  ASSERT_TRUE(WaitFor([&] {
    texts = kv71p::printwatch::ParseShownTexts(ReadFile(shown));
    return texts.count("CYCLE") && texts["CYCLE"] != "0";
  }, 20));
  EXPECT_EQ("Der Drucker ist ausgeschaltet oder nicht verbunden.",
            texts.count("MESSAGE") ? texts.at("MESSAGE") : "")
      << "the installed German texts";

  r = RunClient(cupsd, cache, {Installed(ProgramFolder() + "/Watchlauncher"), "KORVALE_SYSTEMS_KV_71P"}, env);
  EXPECT_EQ(0, r.exitStatus);
  EXPECT_EQ(windows, children.Find("Printwatch")) << "the open window keeps a second one shut";
  EXPECT_EQ(0, WaitForChild(windows[0], SIGTERM, 20));
}

TEST_F(InstallTest, UninstallRemovesEveryInstalledFile) {
  std::string ownFolders = OWN_FOLDERS;  // "|" between the names
  std::replace(ownFolders.begin(), ownFolders.end(), '|', ';');
  ProcessOptions options;
  options.env = {"DESTDIR=" + root_};
  const ProcessResult r = RunProcess({CMAKE_COMMAND, "-DMANIFEST=" + manifest_,
                                      "-DOWN_FOLDERS=" + ownFolders, "-P", UNINSTALL_SCRIPT},
                                     options);
  ASSERT_EQ(0, r.exitStatus) << r.out << r.err;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root_)) {
    EXPECT_TRUE(e.is_directory() && !e.is_symlink()) << "left behind: " << e.path();
  }
  EXPECT_FALSE(fs::exists(Installed(ProgramFolder()))) << "the suite's own folder goes too";
  EXPECT_TRUE(fs::exists(Installed(Under(kPrefix, BIN_INSTALL_DIR)))) << "shared folders stay";
}

}  // namespace
