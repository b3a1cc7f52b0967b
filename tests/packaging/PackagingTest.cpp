// The Debian packages as kv71p_build_packages built them from the tree
// (tests/packaging/build-packages.sh): every file each package holds with
// its owner and mode, the dependencies, the maintainer scripts as dpkg runs
// them when it installs and purges the packages, and lintian's verdict.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "apps/printwatch/StatusTables.h"
#include "common/Kv71pConfig.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

using namespace kv71p::test;
namespace fs = std::filesystem;

const std::string kDriver = "kv71p-driver";
const std::string kDesktop = "kv71p-desktop";
const std::string kPrinterApp = "kv71p-printer-app";
// The settings debian/rules gives the build.
const std::string kCacheFolder = "/var/cache/korvale/KV-71P";
const std::string kMakerFolder = "/var/cache/korvale";

// "<name>_<version>_<architecture><ending>" in the output folder. The
// version is the project's: debian/changelog must follow it.
std::string BuiltFile(const std::string& name, const std::string& ending = ".deb") {
  std::string architecture = RunProcess({"dpkg", "--print-architecture"}).out;
  architecture.erase(architecture.find_last_not_of('\n') + 1);
  return std::string(PACKAGE_DIR) + "/" + name + "_" + KV71P_VERSION + "_" + architecture + ending;
}

// What a package holds: every file (links as "path -> target") with its
// mode as `dpkg-deb -c` shows it, and what it must depend on. dh_shlibdeps
// names the libraries the programs link; the control file adds what the
// suite runs (the scheduler, lpadmin, the raster filters, Qt's platform
// plugins) and ties the window to the service of the same build. The CUPS
// backend has mode "-rwx------": CUPS runs it as root only so.
struct PackageContents {
  std::map<std::string, std::string> files;
  std::vector<std::string> dependencies;
};

std::map<std::string, PackageContents> ExpectedPackages() {
  const std::string program = "-rwxr-xr-x", data = "-rw-r--r--";
  const std::string folder = "/usr/libexec/kv71p", resources = folder + "/Printwatch.app/Contents/Resources";
  std::map<std::string, PackageContents> packages = {
      {kDriver,
       {{{"/usr/lib/cups/filter/rastertokv71p", program}, {"/usr/sbin/infokv71p", program},
         {"/usr/bin/kv71p-decode", program}, {"/usr/share/cups/model/korvale/KV-71P.ppd.gz", data},
         {"/usr/lib/cups/backend/vexbackend", "-rwx------"},
         {"/usr/share/cups/usb/kv71p.usb-quirks", data},
         {"/usr/share/lintian/overrides/kv71p-driver", data},
         {"/lib/systemd/system/infokv71p.service", data}, {"/lib/udev/rules.d/60-kv71p.rules", data},
         {"/usr/share/man/man8/infokv71p.8.gz", data}, {"/usr/share/man/man1/kv71p-decode.1.gz", data},
         {"/usr/share/doc/kv71p-driver/changelog.gz", data}, {"/usr/share/doc/kv71p-driver/copyright", data}},
        {"libc6", "libcups2", "liblcms2-2", "libusb-1.0-0", "libpng16-16", "libstdc++6", "cups", "cups-client",
         "cups-filters"}}},
      {kDesktop,
       {{{folder + "/Watchlauncher", program}, {folder + "/kv71p-status", program},
         {folder + "/kv71p-status_en.qm", data}, {folder + "/kv71p-status_de.qm", data},
         {folder + "/Printwatch.app/Contents/MacOS/Printwatch", program},
         {resources + "/printwatch_en.qm", data}, {resources + "/printwatch_de.qm", data},
         {"/usr/bin/kv71p-status -> ../libexec/kv71p/kv71p-status", "lrwxrwxrwx"},
         {"/usr/share/applications/kv71p-status.desktop", data},
         {"/usr/share/icons/hicolor/scalable/apps/kv71p-status.svg", data},
         {"/usr/share/icons/hicolor/64x64/apps/kv71p-status.png", data},
         {"/usr/share/man/man1/kv71p-status.1.gz", data},
         {"/usr/share/doc/kv71p-desktop/changelog.gz", data}, {"/usr/share/doc/kv71p-desktop/copyright", data}},
        {"libcups2", "libqt6core6", "libqt6gui6", "libqt6widgets6", "qt6-qpa-plugins",
         std::string("kv71p-driver (= ") + KV71P_VERSION + ")"}}},
      {kPrinterApp,
       {{{"/usr/bin/kv71p-printer-app", program},
         {"/lib/systemd/system/kv71p-printer-app.service", data},
         {"/usr/share/man/man1/kv71p-printer-app.1.gz", data},
         {"/usr/share/doc/kv71p-printer-app/changelog.gz", data},
         {"/usr/share/doc/kv71p-printer-app/copyright", data}},
        {"libc6", "libcups2", "libpappl1", "liblcms2-2", "libusb-1.0-0", "libstdc++6",
         "avahi-daemon"}}},
  };
  for (int icon = 0; icon < kv71p::printwatch::kStatusIconCount; ++icon)
    packages[kDesktop].files[resources + "/" + IconFileName(kv71p::printwatch::StatusIcon(icon))] = data;
  return packages;
}

TEST(PackagingTest, EachPackageHoldsItsFilesOwnedByRootWithTheirModesAndDependencies) {
  for (const auto& [package, expected] : ExpectedPackages()) {
    const std::string deb = BuiltFile(package);
    ASSERT_TRUE(fs::exists(deb)) << deb << " not built (debian/changelog behind the project?)";
    ProcessResult r = RunProcess({"dpkg-deb", "-c", deb});
    ASSERT_EQ(0, r.exitStatus) << r.err;
    std::map<std::string, std::string> found;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      // "-rw-r--r-- root/root  708 2026-01-01 12:00 ./lib/systemd/system/infokv71p.service"
      std::istringstream fields(line);
      std::string mode, owner, size, date, time, path;
      std::getline(fields >> mode >> owner >> size >> date >> time >> std::ws, path);
      EXPECT_EQ("root/root", owner) << line;
      if (mode[0] == 'd')
        EXPECT_EQ("drwxr-xr-x", mode) << line;
      else
        found[path.substr(1)] = mode;
    }
    EXPECT_EQ(expected.files, found) << package;

    r = RunProcess({"dpkg-deb", "-f", deb, "Depends"});
    std::set<std::string> names;  // each item, with and without its version
    std::istringstream list(r.out);
    for (std::string item; std::getline(list >> std::ws, item, ',');) {
      item.erase(item.find_last_not_of(" \n") + 1);
      names.insert({item, item.substr(0, item.find(' '))});
    }
    for (const std::string& dependency : expected.dependencies)
      EXPECT_EQ(1u, names.count(dependency)) << package << ": " << dependency << " in " << r.out;
  }
}

// dpkg installs both packages into a private root and runs their scripts
// there (DPKG_ROOT), with /run hidden in a mount namespace of its own so no
// script reaches the machine's systemd or udev. Installing enables the
// service and makes the cache folders; purging, after the service and the
// windows wrote into the cache, leaves none of the suite's files behind.
TEST(PackagingTest, InstallEnablesTheServiceAndMakesTheCachePurgeLeavesNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "dpkg's private root and the mount namespace need root";
  if (RunProcess({"unshare", "--mount", "true"}).exitStatus != 0)
    GTEST_SKIP() << "no mount namespace here (unshare --mount refused)";
  TestTempDir dir;
  const std::string root = dir / "root";
  for (const char* folder : {"/var/lib/dpkg/info", "/var/lib/dpkg/updates", "/var/cache"})
    fs::create_directories(root + folder);
  ASSERT_TRUE(WriteFile(root + "/var/lib/dpkg/status", ""));
  auto dpkg = [&](std::vector<std::string> arguments) {
    std::vector<std::string> argv = {"unshare", "--mount", "--propagation", "private", "sh", "-c",
                                     "mount -t tmpfs tmpfs /run && exec \"$@\"", "sh",
                                     "dpkg", "--root=" + root, "--force-script-chrootless", "--force-depends"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv, {{}, "", "", 120});
  };

  ProcessResult r = dpkg({"-i", BuiltFile(kDriver), BuiltFile(kDesktop), BuiltFile(kPrinterApp)});
  ASSERT_EQ(0, r.exitStatus) << r.out << r.err;
  for (const std::string& folder : {kMakerFolder, kCacheFolder}) {
    struct stat st;
    ASSERT_EQ(0, lstat((root + folder).c_str(), &st)) << folder;
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << folder;
    EXPECT_EQ(01777u, st.st_mode & 07777) << folder;
  }
  for (const std::string unit : {"infokv71p.service", "kv71p-printer-app.service"})
    EXPECT_EQ("/lib/systemd/system/" + unit,
              fs::read_symlink(root + "/etc/systemd/system/multi-user.target.wants/" + unit));

  // The scripts carry the build's cache folder and printer ids, every
  // placeholder filled in.
  const std::string scripts = dir / "scripts";
  ASSERT_EQ(0, RunProcess({"dpkg-deb", "-e", BuiltFile(kDriver), scripts}).exitStatus);
  char ids[96];
  std::snprintf(ids, sizeof ids, "--attr-match=idVendor=%04x --attr-match=idProduct=%04x",
                static_cast<unsigned>(KV71P_USB_VENDOR_ID), static_cast<unsigned>(KV71P_USB_PRODUCT_ID));
  EXPECT_NE(std::string::npos, ReadFile(scripts + "/postinst").find(ids));
  for (const char* script : {"postinst", "prerm", "postrm"})
    EXPECT_FALSE(std::regex_search(ReadFile(scripts + "/" + script), std::regex("#[A-Za-z0-9_.+]+#"))) << script;

  ASSERT_TRUE(WriteFile(root + kCacheFolder + "/KV-71P_A1B2C3.log", "STATUS=\"0\"\n"));
  ASSERT_TRUE(WriteFile(root + kCacheFolder + "/KV-71P_A1B2C3_UTIL", ""));
  r = dpkg({"--purge", kPrinterApp, kDesktop, kDriver});
  ASSERT_EQ(0, r.exitStatus) << r.out << r.err;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
    if (e.path().string().rfind(root + "/var/lib/dpkg", 0) == 0) continue;
    EXPECT_TRUE(e.is_directory() && !e.is_symlink()) << "left behind: " << e.path();
  }
  EXPECT_FALSE(fs::exists(root + kMakerFolder));
}

// lintian finds no error; the warnings it gives are the known ones, each
// left for its reason:
// - appstream-metadata-missing-modalias-provide: an AppStream file that
//   names the printer's USB id for software centres needs a metadata
//   licence, and the suite has no licence yet.
TEST(PackagingTest, LintianFindsNoErrorsAndOnlyTheKnownWarnings) {
  const ProcessResult r = RunProcess(
      {"lintian", "--fail-on", "error", "--tag-display-limit", "0", BuiltFile("kv71p", ".changes")},
      {{}, "", "", 240});
  EXPECT_EQ(0, r.exitStatus) << r.out << r.err;
  const std::set<std::string> known = {"appstream-metadata-missing-modalias-provide"};
  const std::regex tag("^([EW]): [^:]+: ([a-z0-9.+-]+)");
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, tag)) continue;
    EXPECT_TRUE(m[1] == "W" && known.count(m[2])) << line;
  }
}

}  // namespace
