#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "common/CacheFolder.h"
#include "common/SafeFile.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;

namespace {

using kv71p::test::Permissions;
using kv71p::test::ReadFile;

// (Both folders missing, unwritable, a link or a file, for every program:
// the hardening suite's CacheFolderFaultTest.)
TEST(CacheFolder, FromTheEnvironmentMadeWithTheStickyBitDespiteUmask) {
  TestTempDir dir;
  const mode_t oldMask = umask(022);
  const std::string maker = dir / "Korvale", model = maker + "/KV-71P";
  setenv("KV71P_CACHE_DIR", (model + "//").c_str(), 1);
  EXPECT_EQ(model + "/KV-71P_X.log", kv71p::CacheFilePath("KV-71P_X.log"));
  EXPECT_EQ(maker, kv71p::MakerFolder());
  CheckAndMake_CacheSubFolder();  // no maker folder: nothing made
  EXPECT_EQ(0u, Permissions(model));
  CheckAndMake_CacheFolder();
  EXPECT_EQ(01777u, Permissions(model));
  // An existing maker folder keeps its mode.
  ASSERT_EQ(0, rmdir(model.c_str()));
  ASSERT_EQ(0, chmod(maker.c_str(), 0700));
  CheckAndMake_CacheFolder();
  EXPECT_EQ(0700u, Permissions(maker));
  EXPECT_EQ(01777u, Permissions(model));
  unsetenv("KV71P_CACHE_DIR");
  umask(oldMask);
}

TEST(SafeFile, WritesReplaceContentAndSetMode) {
  TestTempDir dir;
  const mode_t oldMask = umask(022);
  for (kv71p::WriteMode how : {kv71p::WriteMode::InPlace, kv71p::WriteMode::Atomic}) {
    ASSERT_EQ(0, kv71p::WriteWholeFile(dir.path(), "a.log", "long first text\n", 0666, how));
    ASSERT_EQ(0, kv71p::WriteWholeFile(dir.path(), "a.log", "short\n", 0666, how));
    EXPECT_EQ("short\n", ReadFile(dir / "a.log"));
    EXPECT_EQ(0666u, Permissions(dir / "a.log"));
  }
  umask(oldMask);
  EXPECT_EQ(std::set<std::string>{"a.log"}, FolderNames(dir.path())) << "no temporary left";
}

TEST(SafeFile, PlantedLinksAndFifosAreNeverFollowed) {
  TestTempDir dir;
  const std::string victim = dir / "victim";
  ASSERT_TRUE(kv71p::test::WriteFile(victim, "precious"));
  ASSERT_EQ(0, chmod(victim.c_str(), 0600));
  ASSERT_EQ(0, symlink(victim.c_str(), (dir / "a.log").c_str()));
  EXPECT_EQ(ELOOP, kv71p::WriteWholeFile(dir.path(), "a.log", "x", 0666, kv71p::WriteMode::InPlace));
  EXPECT_NE(0, kv71p::CreateFileOnce(dir.path(), "a.log", 0666));
  // The atomic writer replaces the link itself, never its target.
  EXPECT_EQ(0, kv71p::WriteWholeFile(dir.path(), "a.log", "x", 0666, kv71p::WriteMode::Atomic));
  EXPECT_EQ("precious", ReadFile(victim));
  EXPECT_EQ(0600u, Permissions(victim));
  EXPECT_EQ(0666u, Permissions(dir / "a.log"));

  ASSERT_EQ(0, symlink(dir.path().c_str(), (dir / "linkdir").c_str()));
  EXPECT_NE(0, kv71p::CreateFileOnce(dir / "linkdir", "b", 0666));
  ASSERT_EQ(0, mkfifo((dir / "fifo").c_str(), 0666));
  EXPECT_NE(0, kv71p::CreateFileOnce(dir.path(), "fifo", 0666));  // must not block
}

TEST(SafeFile, SplitPath) {
  const struct {
    const char *path, *folder, *name;
  } cases[] = {{"/a/b/c.log", "/a/b", "c.log"}, {"/c", "/", "c"}, {"/a/b/", nullptr, nullptr}, {"/a/..", nullptr, nullptr}};
  for (const auto& tc : cases) {
    std::string folder, name;
    const bool split = kv71p::SplitPath(tc.path, &folder, &name);
    EXPECT_EQ(tc.folder ? std::string(tc.folder) + "|" + tc.name : "-", split ? folder + "|" + name : "-");
  }
}

}  // namespace
