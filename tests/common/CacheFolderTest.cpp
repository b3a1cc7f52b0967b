#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "CacheFolder.h"
#include "SafeFile.h"
#include "TestTempDir.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class CacheFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldMask_ = umask(022);
    model_ = dir_ / "Korvale/KV-71P";
    setenv("KV71P_CACHE_DIR", (model_ + "//").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KV71P_CACHE_DIR");
    umask(oldMask_);
  }
  TestTempDir dir_;
  std::string model_;
  mode_t oldMask_ = 0;
};

TEST_F(CacheFolderTest, EnvironmentNamesModelFolderAndItsParent) {
  EXPECT_EQ(model_, kv71p::CacheFolder());
  EXPECT_EQ(dir_ / "Korvale", kv71p::MakerFolder());
  EXPECT_EQ(model_ + "/KV-71P_X.log", kv71p::CacheFilePath("KV-71P_X.log"));
}

TEST_F(CacheFolderTest, BothFoldersMadeWorldWritableDespiteUmask) {
  CheckAndMake_CacheFolder();
  EXPECT_EQ(0777u, ModeOf(dir_ / "Korvale"));
  EXPECT_EQ(0777u, ModeOf(model_));
  // Running again changes nothing and does not fail.
  CheckAndMake_CacheFolder();
  EXPECT_EQ(0777u, ModeOf(model_));
}

TEST_F(CacheFolderTest, SubFolderOnlyWhenParentExists) {
  CheckAndMake_CacheSubFolder();
  EXPECT_EQ(0u, ModeOf(model_));
  ASSERT_EQ(0, mkdir((dir_ / "Korvale").c_str(), 0700));
  CheckAndMake_CacheFolder();  // parent exists: its mode is left alone
  EXPECT_EQ(0700u, ModeOf(dir_ / "Korvale"));
  EXPECT_EQ(0777u, ModeOf(model_));
}

TEST(SafeFile, WritesReplaceContentAndSetMode) {
  TestTempDir dir;
  const mode_t oldMask = umask(022);
  for (kv71p::WriteMode how : {kv71p::WriteMode::InPlace, kv71p::WriteMode::Atomic}) {
    SCOPED_TRACE(how == kv71p::WriteMode::Atomic ? "atomic" : "in place");
    ASSERT_EQ(0, kv71p::WriteWholeFile(dir.path(), "a.log", "long first text\n", 0666, how));
    ASSERT_EQ(0, kv71p::WriteWholeFile(dir.path(), "a.log", "short\n", 0666, how));
    EXPECT_EQ("short\n", ReadText(dir / "a.log"));
    EXPECT_EQ(0666u, ModeOf(dir / "a.log"));
  }
  umask(oldMask);
  // No temporary file is left behind.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(1, entries);
}

TEST(SafeFile, PlantedLinksAreNeverFollowed) {
  TestTempDir dir;
  const std::string victim = dir / "victim";
  std::ofstream(victim) << "precious";
  ASSERT_EQ(0, chmod(victim.c_str(), 0600));
  ASSERT_EQ(0, symlink(victim.c_str(), (dir / "a.log").c_str()));

  EXPECT_EQ(ELOOP, kv71p::WriteWholeFile(dir.path(), "a.log", "x", 0666, kv71p::WriteMode::InPlace));
  EXPECT_NE(0, kv71p::CreateEmptyFile(dir.path(), "a.log", 0666));
  EXPECT_EQ("precious", ReadText(victim));
  EXPECT_EQ(0600u, ModeOf(victim));

  // The atomic writer replaces the link itself, never its target.
  EXPECT_EQ(0, kv71p::WriteWholeFile(dir.path(), "a.log", "x", 0666, kv71p::WriteMode::Atomic));
  EXPECT_EQ("precious", ReadText(victim));
  struct stat st;
  ASSERT_EQ(0, lstat((dir / "a.log").c_str(), &st));
  EXPECT_TRUE(S_ISREG(st.st_mode));

  // A folder reached through a link is refused too.
  ASSERT_EQ(0, symlink(dir.path().c_str(), (dir / "linkdir").c_str()));
  EXPECT_NE(0, kv71p::CreateEmptyFile(dir / "linkdir", "b", 0666));
}

TEST(SafeFile, FifoAtPathDoesNotBlock) {
  TestTempDir dir;
  ASSERT_EQ(0, mkfifo((dir / "a.log").c_str(), 0666));
  EXPECT_NE(0, kv71p::CreateEmptyFile(dir.path(), "a.log", 0666));
}

TEST(SafeFile, SplitPath) {
  std::string folder, name;
  EXPECT_TRUE(kv71p::SplitPath("/a/b/c.log", &folder, &name));
  EXPECT_EQ("/a/b", folder);
  EXPECT_EQ("c.log", name);
  EXPECT_TRUE(kv71p::SplitPath("/c", &folder, &name));
  EXPECT_EQ("/", folder);
  EXPECT_FALSE(kv71p::SplitPath("/a/b/", &folder, &name));
  EXPECT_FALSE(kv71p::SplitPath("/a/..", &folder, &name));
}

}  // namespace
