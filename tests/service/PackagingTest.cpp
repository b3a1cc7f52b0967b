// `cmake --install` puts the service, its systemd unit and the printer's
// udev rule in place, each naming the others as configured.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "Kv71pConfig.h"
#include "Subprocess.h"
#include "TestTempDir.h"

namespace kv71p::test {
namespace {

TEST(ServicePackaging, InstallPlacesProgramUnitAndRule) {
  TestTempDir dest;
  const ProcessResult r =
      RunProcess({"cmake", "--install", KV71P_BUILD_DIR, "--component", "service"},
                 {{"DESTDIR=" + dest.path()}, "", "", 120});
  ASSERT_EQ(r.exitStatus, 0) << r.out << r.err;

  const std::string program = KV71P_SERVICE_PROGRAM;
  struct stat st {};
  ASSERT_EQ(stat((dest.path() + program).c_str(), &st), 0) << program;
  EXPECT_TRUE(st.st_mode & S_IXUSR);

  const std::string unit = ReadFile(dest.path() + KV71P_SYSTEMD_UNIT_DIR "/infokv71p.service");
  ASSERT_FALSE(unit.empty());
  for (const std::string& line :
       {"ExecStart=" + program + "\n", std::string("Restart=always\n"),
        std::string("WantedBy=multi-user.target\n"), std::string("After=cups.service")})
    EXPECT_NE(unit.find(line), std::string::npos) << line;

  const std::string rule = ReadFile(dest.path() + KV71P_UDEV_RULES_DIR "/60-kv71p.rules");
  char ids[96];
  std::snprintf(ids, sizeof ids, "ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\"",
                static_cast<unsigned>(KV71P_USB_VENDOR_ID),
                static_cast<unsigned>(KV71P_USB_PRODUCT_ID));
  EXPECT_NE(rule.find(ids), std::string::npos) << rule;
  EXPECT_NE(rule.find("ENV{SYSTEMD_WANTS}+=\"infokv71p.service\""), std::string::npos);
}

}  // namespace
}  // namespace kv71p::test
