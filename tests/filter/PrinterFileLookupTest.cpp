// The values the filter reads from the per-job file, and a queue's value
// from its printer's information file (on a private scheduler).
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "filter/PerJobValues.h"
#include "filter/QueueInformation.h"
#include "tests/filter/FilterTestHelpers.h"
#include "tests/support/PrivateCupsd.h"

using namespace kv71p::filter;

namespace {


TEST(PerJobValues, ReadOnceFromThePerJobFile) {
  TestCacheDir cache("");
  const std::string v127(127, '7'), v128(128, '8');
  const struct {
    const char* label;
    std::string file;  // empty: no per-job file
    std::string size, mediaClass;
    int remainHalf;
  } cases[] = {
      {"no file", "", "", "", 0},
      {"keys on later lines, any order",
       "PRINTER=\"x\"\nMEDIA_REMAIN_HALF=\"00007\"\nMEDIA_CLASS=\"0001\"\nMEDIA_SIZE=\"00500\"\n", "00500", "0001", 7},
      {"missing keys", "PRINTER=\"x\"\n", "", "", 0},
      {"the first line with a key", "MEDIA_SIZE=\"1\"\nMEDIA_SIZE=\"2\"\nMEDIA_REMAIN_HALF=\"abc\"\n", "1", "", 0},
      {"127 characters fit, 128 do not", "MEDIA_SIZE=\"" + v127 + "\"\nMEDIA_CLASS=\"" + v128 + "\"\n", v127, "", 0},
      {"negative and huge counts", "MEDIA_REMAIN_HALF=\"-1\"\n", "", "", -1},
      {"huge count", "MEDIA_REMAIN_HALF=\"99999999999999\"\n", "", "", INT_MAX},
      {"a count too long to read", "MEDIA_REMAIN_HALF=\"" + std::string(130, '9') + "\"\n", "", "", 0},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    const std::string job = std::to_string(&tc - cases);
    if (!tc.file.empty()) kv71p::test::WriteFile(cache / ("Print_" + job + ".log"), tc.file);
    const PerJobValues values = ReadPerJobValues(job);
    EXPECT_EQ(tc.size, values.mediaSize);
    EXPECT_EQ(tc.mediaClass, values.mediaClass);
    EXPECT_EQ(tc.remainHalf, values.remainHalf);
  }
}

TEST(QueueInformation, ValueFromTheInformationFileOfAQueuesPrinter) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  cupsd.ExportClientEnvironment();
  TestCacheDir cache("");
  const std::string queues[][2] = {
      {"KV_SERIAL", "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=A1B2%20C3"},
      {"KV_PLAIN", "vexbackend://KORVALE%20SYSTEMS/KV-71P"},
      {"KV_EMPTY_SERIAL", "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial="},
      {"KV_SLASH", "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=../x"},
  };
  for (const auto& q : queues)
    ASSERT_EQ(0, cupsd.Lpadmin({"-p", q[0], "-E", "-v", q[1]}).exitStatus) << q[0];
  kv71p::test::WriteFile(cache / "KV-71P_A1B2%20C3.log", "STATUS=\"1\"\nSERIAL=\"A1B2 C3\"\n");
  kv71p::test::WriteFile(cache / "KV-71P.log", "SERIAL=\"none\"\n");
  kv71p::test::WriteFile(cache / "x.log", "SERIAL=\"outside\"\n");
  const struct {
    const char* queue;
    QueueLookup result;
    const char* value;
  } cases[] = {
      {"KV_SERIAL", QueueLookup::Found, "A1B2 C3"},      {"KV_PLAIN", QueueLookup::Found, "none"},
      {"KV_EMPTY_SERIAL", QueueLookup::Found, "none"},   {"KV_SLASH", QueueLookup::NoValue, "-"},
      {"missing", QueueLookup::QueueNotFound, "-"},      {"KV_SERIAL/instance", QueueLookup::QueueNotFound, "-"},
  };
  for (const auto& tc : cases) {
    std::string value = "-";
    EXPECT_EQ(tc.result, LookUpQueueInformation(tc.queue, "SERIAL=", &value)) << tc.queue;
    EXPECT_EQ(tc.value, value) << tc.queue;
  }
  cupsd.Stop();
  std::string value;
  EXPECT_EQ(QueueLookup::QueueNotFound, LookUpQueueInformation("KV_SERIAL", "SERIAL=", &value));
}

}  // namespace
