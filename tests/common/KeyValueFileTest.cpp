#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/KeyValueFile.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;

namespace {

TEST(FindKeyValue, Lookups) {
  TestTempDir dir;
  const std::string path = dir / "Print_42.log", value200(200, '9');
  struct {
    const char* label;
    std::string content;
    const char* key;
    bool found;
    std::string value;
  } cases[] = {
      {"key on a later line", "#PRINTER\nMEDIA_SIZE=\"00500\"\n", "MEDIA_SIZE=", true, "00500"},
      {"first matching line wins", "A=\"1\"\nA=\"2\"\n", "A=", true, "1"},
      {"key anywhere in the line", "xxMEDIA_CLASS=\"0001\"\n", "MEDIA_CLASS=", true, "0001"},
      {"quotes removed everywhere", "K=\"a\"b\"\n", "K=", true, "ab"},
      {"missing key", "OTHER=\"1\"\n", "MEDIA_SIZE=", false, ""},
      {"no line feed at end", "K=\"v\"", "K=", true, "v"},
      {"long value kept whole", "K=\"" + value200 + "\"\n", "K=", true, value200},
      {"prefix of a longer key", "MEDIA_REMAIN_HALF=\"7\"\n", "MEDIA_REMAIN", true, "_HALF=7"},
      // Pieces of at most 255 characters: the rest of the line is the next piece.
      {"key at character 250", std::string(250, 'x') + "K=\"12345678\"\n", "K=", true, "12"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    ASSERT_TRUE(kv71p::test::WriteFile(path, tc.content));
    std::string value = "untouched";
    EXPECT_EQ(tc.found, kv71p::FindKeyValue(path.c_str(), tc.key, &value));
    EXPECT_EQ(tc.found ? tc.value : "untouched", value);
  }
}

TEST(FindKeyValue, MissingFileFifoAndFolderFindNothing) {
  TestTempDir dir;
  ASSERT_EQ(0, mkfifo((dir / "fifo.log").c_str(), 0666));
  for (const std::string& path : {dir / "none.log", dir / "fifo.log", dir.path()}) {
    std::string value = "untouched";
    EXPECT_FALSE(kv71p::FindKeyValue(path.c_str(), "K=", &value)) << path;
    EXPECT_EQ("untouched", value);
  }
}

}  // namespace
