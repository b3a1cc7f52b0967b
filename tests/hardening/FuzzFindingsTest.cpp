// What the fuzz targets found, kept as tests of the normal suite (the
// sanitizer run of the suite sees a read past a buffer at once).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "service/DeviceRecv.h"

using namespace kv71p;
using namespace kv71p::service;

namespace {

// An expected leading text longer than the answer can hold was compared
// past the end of the answer buffer.
TEST(FuzzFindings, LeadingTextLongerThanTheAnswerNeverMatches) {
  const struct {
    const char* name;
    int expected;
    const char* prefix;
    std::string bytes;  // the received answer, header included
    int check;
    std::string text;
  } cases[] = {
      {"found: 12 characters behind 8", 8, "0000800001 0", "00000008" "0000800\r", 3, ""},
      {"12 characters behind 2", 2, "ABCDEFGHIJKL", "00000002" "\r", 3, ""},
      {"31 characters behind 1", 1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", "00000001" "\r", 3, ""},
      {"as long as the payload", 3, "AB\r", "00000003" "AB\r", 0, ""},
      {"shorter, matching", 8, "KV", "00000008" "KV71P\r\0\0", 0, "71P"},
      {"any length, matching", kRecvAnyLength, "KV", "00000006" "KV71P\r", 0, "71P"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceRecv response(c.expected, c.prefix);
    ASSERT_EQ(response.Alloc(), 0);
    const size_t room = static_cast<size_t>(response.GetBufferLength());
    std::memcpy(response.buffer, c.bytes.data(), std::min(room, c.bytes.size()));
    EXPECT_EQ(response.CheckData(), c.check);
    char out[64];
    EXPECT_EQ(response.GetEffectiveDataAsString(out, sizeof out), 0);
    EXPECT_EQ(std::string(out), c.text);
  }
}

}  // namespace
