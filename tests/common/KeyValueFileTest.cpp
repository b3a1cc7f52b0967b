#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "KeyValueFile.h"
#include "TestTempDir.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(FindKeyValue, Lookups) {
  TestTempDir dir;
  const std::string path = dir / "Print_42.log";
  const std::string value200(200, '9');
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
      {"prefix key matches longer key", "MEDIA_REMAIN_HALF=\"7\"\n", "MEDIA_REMAIN", true,
       "_HALF=7"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    WriteText(path, tc.content);
    std::string value = "untouched";
    EXPECT_EQ(tc.found, kv71p::FindKeyValue(path.c_str(), tc.key, &value));
    EXPECT_EQ(tc.found ? tc.value : "untouched", value);
  }
}

TEST(FindKeyValue, LinesAreReadInPiecesOf255) {
  TestTempDir dir;
  const std::string path = dir / "f.log";
  // The key starts at character 250 of a long line: the piece holding it
  // ends at 255 characters, the rest comes in the next piece.
  WriteText(path, std::string(250, 'x') + "K=\"12345678\"\n");
  std::string value;
  ASSERT_TRUE(kv71p::FindKeyValue(path.c_str(), "K=", &value));
  EXPECT_EQ("12", value);
}

TEST(FindKeyValue, MissingFileFifoAndFolderFindNothing) {
  TestTempDir dir;
  std::string value = "untouched";
  EXPECT_FALSE(kv71p::FindKeyValue((dir / "none.log").c_str(), "K=", &value));
  const std::string fifo = dir / "fifo.log";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0666));
  EXPECT_FALSE(kv71p::FindKeyValue(fifo.c_str(), "K=", &value));  // must not block
  EXPECT_FALSE(kv71p::FindKeyValue(dir.path().c_str(), "K=", &value));
  EXPECT_EQ("untouched", value);
}

}  // namespace
