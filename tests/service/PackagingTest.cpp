// `cmake --install` puts the service, its systemd unit and the printer's
// udev rule in place under the prefix given there, the unit naming the
// installed program. Runs the install script of the service folder alone
// (no manifest is written), into a temporary DESTDIR.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "Kv71pConfig.h"
#include "Subprocess.h"
#include "TestTempDir.h"

namespace kv71p::test {
namespace {

const std::string kPrefix = "/opt/kv71p-service-test";

std::string Under(const std::string& dir) { return dir[0] == '/' ? dir : kPrefix + "/" + dir; }

TEST(ServicePackaging, InstallPlacesProgramUnitAndRule) {
  TestTempDir dest;
  const ProcessResult r = RunProcess(
      {"cmake", "-DCMAKE_INSTALL_PREFIX=" + kPrefix, "-P", KV71P_SERVICE_INSTALL_SCRIPT},
      {{"DESTDIR=" + dest.path()}, "", "", 120});
  ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;

  const std::string program = Under(KV71P_SBINDIR) + "/infokv71p";
  struct stat st {};
  ASSERT_EQ(stat((dest.path() + program).c_str(), &st), 0) << program;
  EXPECT_EQ(st.st_mode & 07777, 0755u);

  const std::string unitPath = dest.path() + Under(KV71P_SYSTEMD_UNIT_DIR) + "/infokv71p.service";
  const std::string unit = ReadFile(unitPath);
  ASSERT_FALSE(unit.empty()) << unitPath;
  ASSERT_EQ(stat(unitPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  for (const std::string& line :
       {"\nExecStart=" + program + "\n", std::string("\nRestart=always\n"),
        std::string("\nWantedBy=multi-user.target\n"), std::string("\nAfter=cups.service")})
    EXPECT_NE(unit.find(line), std::string::npos) << line;

  const std::string rule =
      ReadFile(dest.path() + Under(KV71P_UDEV_RULES_DIR) + "/60-kv71p.rules");
  char ids[96];
  std::snprintf(ids, sizeof ids, "ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\"",
                static_cast<unsigned>(KV71P_USB_VENDOR_ID),
                static_cast<unsigned>(KV71P_USB_PRODUCT_ID));
  EXPECT_NE(rule.find(ids), std::string::npos) << rule;
  EXPECT_NE(rule.find("ENV{SYSTEMD_WANTS}+=\"infokv71p.service\""), std::string::npos);
}

}  // namespace
}  // namespace kv71p::test
