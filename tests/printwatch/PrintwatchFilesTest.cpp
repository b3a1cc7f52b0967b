#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "AppDelegate.h"
#include "CacheFolder.h"
#include "FlagFiles.h"
#include "ShownTexts.h"
#include "Subprocess.h"
#include "TestTempDir.h"

namespace {

using kv71p::printwatch::FlagFile;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class FlagFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_ / "Korvale/KV-71P";
    setenv("KV71P_CACHE_DIR", folder_.c_str(), 1);
    CheckAndMake_CacheFolder();
    oldMask_ = umask(077);
  }
  void TearDown() override {
    umask(oldMask_);
    unsetenv("KV71P_CACHE_DIR");
  }
  // A serial number that makes the window flag path exactly `length` long.
  std::string SerialForWindowFlag(size_t length) const {
    const size_t fixed = folder_.size() + std::string("/KV-71P__UTIL").size();
    return std::string(length - fixed, 'S');
  }
  TestTempDir dir_;
  std::string folder_;
  mode_t oldMask_ = 0;
};

TEST_F(FlagFileTest, NamesOfTheThreeFlagsAndTheInformationFile) {
  std::string path;
  ASSERT_TRUE(kv71p::printwatch::FlagFilePath(FlagFile::Window, "AB%20CD", &path));
  EXPECT_EQ(folder_ + "/KV-71P_AB%20CD_UTIL", path);
  ASSERT_TRUE(kv71p::printwatch::FlagFilePath(FlagFile::Start, "AB%20CD", &path));
  EXPECT_EQ(folder_ + "/KV-71P_AB%20CD_START_UTIL", path);
  ASSERT_TRUE(kv71p::printwatch::FlagFilePath(FlagFile::TotalCountRefresh, "AB%20CD", &path));
  EXPECT_EQ(folder_ + "/KV-71P_AB%20CD_TC_UTIL", path);
  EXPECT_EQ(folder_ + "/KV-71P_AB%20CD.log", kv71p::printwatch::InfoFilePath("AB%20CD"));
}

TEST_F(FlagFileTest, CreatedEmptyWorldWritableAndRemoved) {
  ASSERT_TRUE(kv71p::printwatch::CreateFlagFile(FlagFile::Window, "SN1"));
  const std::string flag = folder_ + "/KV-71P_SN1_UTIL";
  EXPECT_EQ(0666u, ModeOf(flag)) << "despite the umask";
  EXPECT_EQ("", kv71p::test::ReadFile(flag));
  EXPECT_TRUE(kv71p::printwatch::RemoveFlagFile(FlagFile::Window, "SN1"));
  EXPECT_EQ(0u, ModeOf(flag));
}

TEST_F(FlagFileTest, PathsThatDoNotFitOrLeaveTheFolderMakeNoFlag) {
  const struct {
    std::string serial;
    bool created;
  } cases[] = {
      {SerialForWindowFlag(127), true},   // 127 characters and the NUL fit
      {SerialForWindowFlag(128), false},  // one more does not
      {"../escape", false},
      {"a/b", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    EXPECT_EQ(c.created, kv71p::printwatch::CreateFlagFile(FlagFile::Window, c.serial));
  }
  EXPECT_FALSE(kv71p::printwatch::CreateFlagFile(FlagFile::Start, SerialForWindowFlag(122)))
      << "the start flag's name is six characters longer";
}

TEST_F(FlagFileTest, APlantedLinkIsNeitherFollowedNorItsTargetRemoved) {
  const std::string victim = dir_ / "victim";
  ASSERT_TRUE(kv71p::test::WriteFile(victim, "precious"));
  ASSERT_EQ(0, chmod(victim.c_str(), 0600));
  ASSERT_EQ(0, symlink(victim.c_str(), (folder_ + "/KV-71P_SN1_TC_UTIL").c_str()));
  EXPECT_FALSE(kv71p::printwatch::CreateFlagFile(FlagFile::TotalCountRefresh, "SN1"));
  EXPECT_EQ("precious", kv71p::test::ReadFile(victim));
  EXPECT_EQ(0600u, ModeOf(victim));
  EXPECT_TRUE(kv71p::printwatch::RemoveFlagFile(FlagFile::TotalCountRefresh, "SN1"));
  EXPECT_EQ("precious", kv71p::test::ReadFile(victim));
}

TEST(GaugePercent, SinglePrecisionQuotientTimesHundredTruncated) {
  const struct {
    int remain, initial, percent;
  } cases[] = {
      {50, 200, 25},  {1, 3, 33},   {2, 3, 66},     {200, 200, 100}, {0, 200, 0},
      {29, 100, 28},  // 0.29f is a little below 0.29
      {-1, 3, -33},   {250, 200, 125},
      {INT_MAX, 1, INT_MAX}, {INT_MIN, 1, INT_MIN},  // saturate instead of overflowing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.percent, kv71p::printwatch::GaugePercent(c.remain, c.initial))
        << c.remain << " of " << c.initial;
  }
}

TEST(ShownTexts, EscapedValuesComeBackUnchanged) {
  const kv71p::printwatch::ShownTexts texts = {
      {"MESSAGE", "line one\nline two"},
      {"SERIAL_NO", "back\\slash \"quoted\" =equals"},
      {"FIRM_VERSION", std::string("tab\there\r\x01\0", 11)},
      {"STATUS", "Kühlt ab"},
      {"TOTAL_COUNT", ""},
  };
  const std::string text = kv71p::printwatch::FormatShownTexts(texts);
  EXPECT_EQ(texts.size(), static_cast<size_t>(std::count(text.begin(), text.end(), '\n')))
      << "one line per item";
  const auto parsed = kv71p::printwatch::ParseShownTexts(text);
  ASSERT_EQ(texts.size(), parsed.size());
  for (const auto& [name, value] : texts) EXPECT_EQ(value, parsed.at(name)) << name;
}

}  // namespace
