#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "filter/Common.h"
#include "tests/filter/FilterTestHelpers.h"
#include "tests/support/PrivateCupsd.h"

using namespace kv71p;
using namespace kv71p::filter;

namespace {

using kv71p::test::TestCacheDir;
using kv71p::test::WriteFile;

// Queues of a private scheduler and the information files the lookup finds.
TEST(PrinterInfoFile, DeviceUriAndInformationFileOfAQueue) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  cupsd.ExportClientEnvironment();
  TestCacheDir cache;

  const std::string serialUri = "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=A1B2%20C3";
  const std::string queues[][2] = {
      {"KV_SERIAL", serialUri},
      {"KV_PLAIN", "vexbackend://KORVALE%20SYSTEMS/KV-71P"},
      {"KV_EMPTY_SERIAL", "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial="},
      {"KV_SLASH", "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=../x"},
  };
  for (const auto& q : queues)
    ASSERT_EQ(0, cupsd.Lpadmin({"-p", q[0], "-E", "-v", q[1]}).exitStatus) << q[0];
  WriteFile(cache.path() + "/KV-71P_A1B2%20C3.log", "STATUS=\"1\"\nSERIAL=\"A1B2 C3\"\n");
  WriteFile(cache.path() + "/KV-71P.log", "SERIAL=\"none\"\n");
  WriteFile(cache.path() + "/x.log", "SERIAL=\"outside\"\n");

  // Device URI: copied only when it fits with its terminator.
  char uri[256];
  std::strcpy(uri, "-");
  EXPECT_EQ(0, _GetCupsDeviceURI("KV_SERIAL", uri, serialUri.size() + 1));
  EXPECT_EQ(serialUri, uri);
  std::strcpy(uri, "-");
  EXPECT_EQ(-1, _GetCupsDeviceURI("KV_SERIAL", uri, serialUri.size()));
  EXPECT_EQ(-1, _GetCupsDeviceURI("missing", uri, sizeof uri));
  EXPECT_EQ(-1, _GetCupsDeviceURI("KV_SERIAL/instance", uri, sizeof uri));
  EXPECT_EQ(-1, _GetCupsDeviceURI("KV_SERIAL", nullptr, sizeof uri));
  EXPECT_STREQ("-", uri);

  struct {
    const char* queue;
    int result;
    const char* expected;  // "-": nothing copied
  } cases[] = {
      {"KV_SERIAL", 0, "A1B2 C3"},
      {"KV_PLAIN", 0, "none"},
      {"KV_EMPTY_SERIAL", 0, "none"},
      {"KV_SLASH", 0, "-"},
      {"missing", -1, "-"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.queue);
    char out[128];
    std::strcpy(out, "-");
    EXPECT_EQ(tc.result, _GetValuePrinterInfoFile(tc.queue, "SERIAL=", "KV-71P", out, sizeof out));
    EXPECT_STREQ(tc.expected, out);
  }

  cupsd.Stop();
  char out[128] = "-";
  EXPECT_EQ(-1, _GetValuePrinterInfoFile("KV_SERIAL", "SERIAL=", "KV-71P", out, sizeof out));
  EXPECT_EQ(-1, _GetCupsDeviceURI("KV_SERIAL", uri, sizeof uri));
}

}  // namespace
