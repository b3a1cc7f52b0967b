// The shared cache folder in a bad state, for every program that writes
// into it or waits on it: missing (made again, mode 01777), unwritable for
// the program's user, replaced by a link to another folder, or replaced by
// a plain file. Nothing may be written through a link or into a file's
// place, nothing may crash or hang, and a folder that comes back works.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "apps/printwatch/FlagFiles.h"
#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "common/CacheFolder.h"
#include "filter/PerJobValues.h"
#include "filter/FilterJob.h"
#include "service/FlagFileScan.h"
#include "service/InformationFile.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;
using namespace kv71p::filter;
using namespace kv71p::service;

namespace {

namespace pw = kv71p::printwatch;

enum class Folder { Missing, Unwritable, Link, PlainFile };
const char* const kFolderNames[] = {"Missing", "Unwritable", "Link", "PlainFile"};

using kv71p::test::ModeOf;

// Unprivileged users: nobody, and one more for a third party.
constexpr uid_t kNobody = 65534;
constexpr uid_t kOtherUser = 65533;

// Runs `operation` in a child process, as `user` when that is not 0 and we
// are root (root writes through any mode bits). Returns the child's exit
// status, or -1 when it did not end normally.
int RunInChild(uid_t user, const std::function<bool()>& operation) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (user != 0 && geteuid() == 0 && (setgid(user) != 0 || setuid(user) != 0)) _exit(90);
    _exit(operation() ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Operation {
  const char* name;
  const char* file;                 // what it leaves in the model folder, if anything
  std::function<bool()> run;        // false: the program's own report of a failure
};

bool JobWithoutPages() {
  char a0[] = "rastertokv71p", a1[] = "7", a2[] = "u", a3[] = "t", a4[] = "1", a5[] = "";
  char* argv[] = {a0, a1, a2, a3, a4, a5, nullptr};
  int fds[2];
  if (pipe(fds) != 0) return false;
  close(fds[1]);  // an empty raster stream
  const int out = open("/dev/null", O_WRONLY);
  const int status = RunFilterJob(6, argv, fds[0], out, JobFileWait{3, 10});
  close(fds[0]);
  close(out);
  return status == 0;
}

const Operation kOperations[] = {
    {"service information file", "KV-71P_SN1.log",
     [] {
       WritePlaceholderFile("SN1");
       return true;
     }},
    {"service flag scan", nullptr, [] { return ScanFlagFiles("SN1") == 0; }},
    {"window flag file", "KV-71P_SN1_UTIL",
     [] {
       CheckAndMake_CacheFolder();
       return pw::CreateFlagFile(kv71p::FlagFile::WindowOpen, "SN1");
     }},
    {"window refresh flag", "KV-71P_SN1_TC_UTIL",
     [] {
       CheckAndMake_CacheFolder();
       return pw::CreateFlagFile(kv71p::FlagFile::WindowTotalCount, "SN1");
     }},
    {"filter job waiting for its per-job file", nullptr, JobWithoutPages},
    {"filter per-job lookup", nullptr,
     [] {
       return ReadPerJobValues("7").mediaSize.empty();
     }},
};

class CacheFolderFaults : public ::testing::TestWithParam<Folder> {
 protected:
  void SetUp() override { ASSERT_EQ(0, chmod(dir_.path().c_str(), 0755)); }  // reachable by the unprivileged user

  void Prepare(Folder state) {
    std::system(("rm -rf '" + maker_ + "' '" + elsewhere_ + "'").c_str());
    if (state == Folder::Missing) return;
    ASSERT_EQ(0, mkdir(maker_.c_str(), 0755));
    if (state == Folder::Unwritable) {
      ASSERT_EQ(0, mkdir(model_.c_str(), 0555));
      ASSERT_EQ(0, chmod(model_.c_str(), 0555));
    } else if (state == Folder::Link) {
      ASSERT_EQ(0, mkdir(elsewhere_.c_str(), 0777));
      ASSERT_EQ(0, chmod(elsewhere_.c_str(), 0777));
      ASSERT_EQ(0, symlink(elsewhere_.c_str(), model_.c_str()));
    } else {
      ASSERT_TRUE(kv71p::test::WriteFile(model_, "not a folder"));
    }
  }

  TestCacheDir dir_;
  const std::string maker_ = dir_ / "Korvale", model_ = dir_.cache(), elsewhere_ = dir_ / "elsewhere";
};

TEST_P(CacheFolderFaults, EveryProgramCopes) {
  const Folder state = GetParam();
  for (const Operation& op : kOperations) {
    SCOPED_TRACE(op.name);
    Prepare(state);
    const int status = RunInChild(state == Folder::Unwritable ? kNobody : 0, op.run);
    ASSERT_NE(status, -1) << "crashed";
    ASSERT_NE(status, 90) << "could not drop privileges";
    const std::string made = op.file ? model_ + "/" + op.file : std::string();
    switch (state) {
      case Folder::Missing:
        // Made again by those that write; the others just go on.
        EXPECT_EQ(status, 0);
        if (op.file) {
          EXPECT_EQ(ModeOf(maker_), static_cast<mode_t>(S_IFDIR | 01777));
          EXPECT_EQ(ModeOf(model_), static_cast<mode_t>(S_IFDIR | 01777));
          EXPECT_TRUE(S_ISREG(ModeOf(made)));
        }
        break;
      case Folder::Unwritable:
        if (op.file) {
          EXPECT_EQ(ModeOf(made), 0u) << "written into an unwritable folder";
        }
        break;
      case Folder::Link:
        EXPECT_TRUE(S_ISLNK(ModeOf(model_)));
        EXPECT_EQ(ModeOf(elsewhere_ + "/" + (op.file ? op.file : "none")), 0u)
            << "written through the link";
        break;
      case Folder::PlainFile:
        EXPECT_EQ(kv71p::test::ReadFile(model_), "not a folder");
        break;
    }
    // Once the folder is back, the same operation works.
    if (op.file && state != Folder::Missing) {
      Prepare(Folder::Missing);
      EXPECT_EQ(RunInChild(0, op.run), 0);
      EXPECT_TRUE(S_ISREG(ModeOf(made)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(States, CacheFolderFaults,
                         ::testing::Values(Folder::Missing, Folder::Unwritable, Folder::Link, Folder::PlainFile),
                         [](const auto& info) { return kFolderNames[static_cast<int>(info.param)]; });

// In the sticky cache folder a flag file that one user made can be neither
// opened for writing nor replaced by another: the kernel refuses an O_CREAT
// open of it when fs.protected_regular is on (the default under systemd),
// whatever its mode, and everywhere when its mode lets only its owner
// write. The window's flag step takes such a flag as made and leaves it as
// it is.
TEST(StickyCacheFolder, AFlagAnotherUserMadeCountsAsMade) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as other users";
  TestCacheDir dir;
  ASSERT_EQ(0, chmod(dir.path().c_str(), 0755));
  CheckAndMake_CacheFolder();
  const std::string flag = dir.cache() + "/" + FlagFileName(FlagFile::WindowStarted, "SN1");
  for (const mode_t mode : {0666, 0644}) {
    SCOPED_TRACE(mode);
    unlink(flag.c_str());
    ASSERT_EQ(0, RunInChild(kNobody, [&] {
                const int fd = open(flag.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
                return fd >= 0 && fchmod(fd, mode) == 0 && close(fd) == 0;
              }));
    EXPECT_EQ(0, RunInChild(kOtherUser,
                            [] { return pw::CreateFlagFile(FlagFile::WindowStarted, "SN1"); }));
    EXPECT_EQ(static_cast<mode_t>(S_IFREG | mode), ModeOf(flag)) << "left as it was";
  }
}

}  // namespace
