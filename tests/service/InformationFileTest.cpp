// The information file byte for byte, its line rules, the flag-file scan
// and writing into a cache folder that others can write to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "common/PrinterFiles.h"
#include "common/StatusCode.h"
#include "service/InformationFile.h"
#include "tests/service/PrinterFixture.h"
#include "tests/support/InfoFileText.h"

using namespace kv71p;
using namespace kv71p::service;

namespace fs = std::filesystem;

namespace kv71p::test {
namespace {

// The emulator's default printer, total count included.
const InfoValues kDefaults = {
    {"MODEL", "KV-71P"},           {"PRINTER_STATUS", "00000"}, {"PRINTER_MESSAGE", "00001"},
    {"PRINTER_VERSION", "1.53"},   {"PRINTER_SERIAL_NO", "KVP00123"},
    {"MEDIA_SIZE", "00510"},       {"MEDIA_CLASS", "0000002"},  {"MEDIA_INITIAL", "00400"},
    {"MEDIA_REMAIN", "00123"},     {"MEDIA_REMAIN_HALF", "00246"}, {"TOTAL_COUNT", "01234"}};

std::string Expected(const InfoValues& changes) {
  InfoValues v = kDefaults;
  for (const auto& [key, value] : changes) v[key] = value;
  return InfoFileText(v);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.insert(e.path().filename());
  return names;
}

// A cache folder "<temp>/Korvale/KV-71P", world-writable as the service
// makes it, named by KV71P_CACHE_DIR.
class CacheFolderTest : public PrinterFixture {
 protected:
  void SetUp() override {
    oldMask_ = umask(022);
    maker_ = dir_ / "Korvale";
    model_ = maker_ + "/KV-71P";
    setenv("KV71P_CACHE_DIR", model_.c_str(), 1);
    ASSERT_EQ(0, mkdir(maker_.c_str(), 0777));
    ASSERT_EQ(0, mkdir(model_.c_str(), 0777));
  }
  void TearDown() override {
    unsetenv("KV71P_CACHE_DIR");
    umask(oldMask_);
  }
  std::string InfoPath(const std::string& serial) { return model_ + "/KV-71P_" + serial + ".log"; }

  TestTempDir dir_;
  std::string maker_, model_;
  mode_t oldMask_ = 0;
};

// The same with the emulator's printer opened and its record filled in.
class InformationFileTest : public CacheFolderTest {
 protected:
  void SetUp() override {
    CacheFolderTest::SetUp();
    PrinterFixture::SetUp();
    std::strcpy(record_.model, "KV-71P");
    std::strcpy(record_.serialNo, "KVP00123");
    record_.modelKnown = record_.serialKnown = 1;
  }
  std::string Write(int flags = FlagBit(FlagFile::WindowTotalCount)) {
    record_.flagBits = flags;
    ::WriteFile(itf_, &record_, kShort);
    return ReadFile(InfoPath(record_.serialNo));
  }
  thdata record_;
};

TEST_F(InformationFileTest, FullFileByteForByteWithItsMode) {
  EXPECT_EQ(Expected({}), Write());
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(InfoPath("KVP00123")));
  EXPECT_EQ(1, itf_->OpenCount());  // the writer's own open was closed again
  EXPECT_EQ(std::set<std::string>{"KV-71P_KVP00123.log"}, Names(model_)) << "nothing else left";
  std::strcpy(record_.serialNo, "AB%2012");
  std::memset(record_.model, 'm', 127);
  record_.model[127] = '\0';
  EXPECT_EQ(Expected({{"MODEL", std::string(127, 'm')}, {"PRINTER_SERIAL_NO", "AB%2012"}}), Write());
}

TEST_F(InformationFileTest, TotalCountFollowsTheFlagBits) {
  const std::vector<std::string> plain = {"STATUS", "INFO FVER", "INFO MEDIA",
                                          "INFO MEDIA_CLASS_RFID", "INFO MQTY_DEFAULT",
                                          "INFO MQTY", "INFO RQTY"};
  // The queries with the total count asked at these places.
  auto with = [&](std::vector<size_t> at) {
    std::vector<std::string> v = plain;
    for (size_t i : at) v.insert(v.begin() + static_cast<long>(i), "MNT_RD COUNTER_LIFE");
    return v;
  };
  const struct {
    int flags, status;
    bool totalSilent;
    std::vector<std::string> queries;
    const char* total;
  } cases[] = {
      {0, 0, false, plain, ""},
      {FlagBit(FlagFile::PrintDialog), 0, false, plain, ""},
      {FlagBit(FlagFile::WindowOpen), 0, false, plain, ""},
      {FlagBit(FlagFile::PrintDialogTotalCount), 0, false, with({0}), "01234"},  // before the status
      {FlagBit(FlagFile::WindowTotalCount), 0, false, with({0}), "01234"},
      {FlagBit(FlagFile::PrintDialogTotalCount) | FlagBit(FlagFile::WindowTotalCount), 0, false, with({0}), "01234"},
      {FlagBit(FlagFile::WindowStarted), 0, false, with({1}), "01234"},  // after the status
      {FlagBit(FlagFile::WindowStarted), 900, false, plain, ""},
      {FlagBit(FlagFile::WindowTotalCount), 900, false, with({0}), "01234"},
      {FlagBit(FlagFile::WindowTotalCount) | FlagBit(FlagFile::WindowStarted), 0, false, with({0}), "01234"},
      {FlagBit(FlagFile::WindowTotalCount), 0, true, with({0}), ""},
      {FlagBit(FlagFile::WindowTotalCount) | FlagBit(FlagFile::WindowStarted), 0, true, with({0, 2}), ""},  // failed, asked again
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "flags " << c.flags << " status " << c.status);
    ASSERT_TRUE(Set({"status=" + std::to_string(c.status),
                     std::string("silent=") + (c.totalSilent ? "COUNTER_LIFE" : "none")}));
    ASSERT_TRUE(emulator_.ClearLog(id_));
    const std::string text = Write(c.flags);
    EXPECT_EQ(c.queries, emulator_.LoggedTitles(id_));
    InfoValues changes = {{"TOTAL_COUNT", c.total}};
    if (c.status == 900) changes.insert({{"PRINTER_STATUS", "00900"}, {"PRINTER_MESSAGE", "00005"}});
    EXPECT_EQ(Expected(changes), text);
  }
}

TEST_F(InformationFileTest, LineRules) {
  const std::string failed =
      "silent=FVER,MEDIA,MEDIA_CLASS_RFID,MQTY_DEFAULT,MQTY,RQTY,COUNTER_LIFE";
  const std::pair<std::vector<std::string>, InfoValues> cases[] = {
      {{"silent=STATUS"}, {{"PRINTER_STATUS", "99999"}, {"PRINTER_MESSAGE", "00006"}}},
      {{"status=901"}, {{"PRINTER_STATUS", "00901"}, {"PRINTER_MESSAGE", ""}}},
      {{"status=-1"}, {{"PRINTER_STATUS", "-0001"}, {"PRINTER_MESSAGE", ""}}},
      {{"status=123456"}, {{"PRINTER_STATUS", "123456"}, {"PRINTER_MESSAGE", ""}}},
      {{failed},
       {{"PRINTER_VERSION", ""}, {"MEDIA_SIZE", ""}, {"MEDIA_CLASS", ""}, {"MEDIA_INITIAL", ""},
        {"MEDIA_REMAIN", ""}, {"MEDIA_REMAIN_HALF", ""}, {"TOTAL_COUNT", ""}}},
      // Answers shorter than the characters skipped.
      {{"media=00", "initial=0000", "remain=", "remainhalf=00001", "total=0"},
       {{"MEDIA_SIZE", ""}, {"MEDIA_INITIAL", ""}, {"MEDIA_REMAIN", ""},
        {"MEDIA_REMAIN_HALF", "1"}, {"TOTAL_COUNT", ""}}},
      {{"class=00000002"}, {{"MEDIA_CLASS", ""}}},  // 8 characters do not fit
      {{"firmware=" + std::string(63, 'v')}, {{"PRINTER_VERSION", std::string(63, 'v')}}},
      // Answers that would break the line format.
      {{"firmware=1\"2", "media=00\n\"PRINTER_STATUS=\"00000", "class=2\x01"},
       {{"PRINTER_VERSION", ""}, {"MEDIA_SIZE", ""}, {"MEDIA_CLASS", ""}}},
      // Unplugged in the middle: the rest of the file stays empty.
      {{"unplug-on=MEDIA"},
       {{"MEDIA_SIZE", ""}, {"MEDIA_CLASS", ""}, {"MEDIA_INITIAL", ""}, {"MEDIA_REMAIN", ""},
        {"MEDIA_REMAIN_HALF", ""}}},
  };
  for (const auto& [set, changes] : cases) {
    SCOPED_TRACE(set.front());
    ASSERT_TRUE(Set(set));
    EXPECT_EQ(Expected(changes), Write());
    ASSERT_TRUE(Set({"silent=none", "status=0", "media=0000510", "initial=000000400",
                     "remain=000000123", "remainhalf=000000246", "total=0001234",
                     "class=0000002", "firmware=1.53"}));
  }
}

TEST_F(InformationFileTest, NestedOpenOnlyForTheHolder) {
  ASSERT_TRUE(kv71p::test::WriteFile(InfoPath("KVP00123"), "previous"));
  // The worker holds the interface: the writer's open is a counted one and
  // does not reach the printer, which now refuses new claims.
  ASSERT_TRUE(Set({"refuse-open=interface"}));
  EXPECT_EQ(Expected({}), Write());
  // Without the worker's open, the writer's own open fails: nothing is
  // asked and the file stays.
  ASSERT_TRUE(kv71p::test::WriteFile(InfoPath("KVP00123"), "previous"));
  ASSERT_EQ(kUsbSuccess, itf_->Close());
  ASSERT_TRUE(emulator_.ClearLog(id_));
  EXPECT_EQ("previous", Write());
  EXPECT_TRUE(emulator_.Log(id_).empty());
}

TEST_F(CacheFolderTest, PlaceholderAndFoldersMissingAtWritingTime) {
  ::WriteFile("AB%2012");
  EXPECT_EQ(PlaceholderFile(), ReadFile(InfoPath("AB%2012")));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(InfoPath("AB%2012")));
  ::WriteFile("");  // a serial number never read
  EXPECT_EQ(PlaceholderFile(), ReadFile(InfoPath("")));
  ::WriteFile(nullptr);
  ::WriteFile("../escape");
  EXPECT_EQ((std::set<std::string>{"KV-71P_AB%2012.log", "KV-71P_.log"}), Names(model_));
  EXPECT_EQ((std::set<std::string>{"KV-71P"}), Names(maker_));

  fs::remove_all(model_);
  ::WriteFile("S1");
  EXPECT_EQ(PlaceholderFile(), ReadFile(InfoPath("S1")));
  EXPECT_EQ(static_cast<mode_t>(S_IFDIR | 01777), ModeOf(model_));
  fs::remove_all(maker_);
  ::WriteFile("S1");
  EXPECT_EQ(PlaceholderFile(), ReadFile(InfoPath("S1")));
  EXPECT_EQ(static_cast<mode_t>(S_IFDIR | 01777), ModeOf(maker_));

  // A maker folder that cannot be made: nothing happens.
  setenv("KV71P_CACHE_DIR", (dir_ / "missing/Korvale/KV-71P").c_str(), 1);
  ::WriteFile("S1");
  EXPECT_EQ(0u, ModeOf(dir_ / "missing"));
}

TEST_F(CacheFolderTest, PlantedLinksAreNeitherFollowedNorHarmedThrough) {
  const std::string victim = dir_ / "victim";
  ASSERT_TRUE(kv71p::test::WriteFile(victim, "keep me"));
  ASSERT_EQ(0, chmod(victim.c_str(), 0600));
  ASSERT_EQ(0, symlink(victim.c_str(), InfoPath("S1").c_str()));
  ::WriteFile("S1");
  EXPECT_EQ("keep me", ReadFile(victim));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0600), ModeOf(victim));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(InfoPath("S1")));
  EXPECT_EQ(PlaceholderFile(), ReadFile(InfoPath("S1")));

  // A one-shot flag planted as a link: the link goes, its target stays.
  ASSERT_EQ(0, symlink(victim.c_str(), (model_ + "/KV-71P_S1_TC_UTIL").c_str()));
  EXPECT_EQ(static_cast<uint32_t>(FlagBit(FlagFile::WindowTotalCount)), pdeFileCheck("S1"));
  EXPECT_EQ("keep me", ReadFile(victim));

  // The model folder itself replaced by a link to another folder.
  const std::string elsewhere = dir_ / "elsewhere";
  ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0700));
  ASSERT_EQ(0, rename(model_.c_str(), (dir_ / "old-model").c_str()));
  ASSERT_EQ(0, symlink(elsewhere.c_str(), model_.c_str()));
  ::WriteFile("S2");
  ASSERT_TRUE(kv71p::test::WriteFile(elsewhere + "/KV-71P_S2_TC_UTIL", ""));
  EXPECT_EQ(0u, pdeFileCheck("S2"));
  EXPECT_EQ(std::set<std::string>{"KV-71P_S2_TC_UTIL"}, Names(elsewhere));
}

TEST_F(CacheFolderTest, FlagScanMatchesPrefixesAndConsumesOneShotFiles) {
  const struct {
    std::vector<std::string> files;
    uint32_t bits;
    std::set<std::string> left;
  } cases[] = {
      {{}, 0, {}},
      {{"KV-71P_S.log", "KV-71P_T_UTIL", "KV-71P_S_UTI", "XKV-71P_S_UTIL"}, 0,
       {"KV-71P_S.log", "KV-71P_T_UTIL", "KV-71P_S_UTI", "XKV-71P_S_UTIL"}},
      {{"KV-71P_S_PDE_whatever"}, FlagBit(FlagFile::PrintDialog), {"KV-71P_S_PDE_whatever"}},
      {{"KV-71P_S_TC_PDE"}, FlagBit(FlagFile::PrintDialogTotalCount), {}},
      {{"KV-71P_S_UTIL"}, FlagBit(FlagFile::WindowOpen), {"KV-71P_S_UTIL"}},
      {{"KV-71P_S_TC_UTIL"}, FlagBit(FlagFile::WindowTotalCount), {}},
      {{"KV-71P_S_START_UTIL"}, FlagBit(FlagFile::WindowStarted), {}},
      // A prefix match sets the bit; only the exact name is deleted.
      {{"KV-71P_S_TC_UTIL.old", "KV-71P_S_START_UTILx"}, FlagBit(FlagFile::WindowTotalCount) | FlagBit(FlagFile::WindowStarted),
       {"KV-71P_S_TC_UTIL.old", "KV-71P_S_START_UTILx"}},
      {{"KV-71P_S_PDE_", "KV-71P_S_TC_PDE", "KV-71P_S_UTIL", "KV-71P_S_TC_UTIL",
        "KV-71P_S_START_UTIL"},
       31, {"KV-71P_S_PDE_", "KV-71P_S_UTIL"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files.empty() ? "none" : c.files[0]);
    for (const std::string& n : Names(model_)) unlink((model_ + "/" + n).c_str());
    for (const std::string& f : c.files) ASSERT_TRUE(kv71p::test::WriteFile(model_ + "/" + f, ""));
    EXPECT_EQ(c.bits, pdeFileCheck("S"));
    EXPECT_EQ(c.left, Names(model_));
  }
  fs::remove_all(model_);
  EXPECT_EQ(0u, pdeFileCheck("S"));
  EXPECT_EQ(0u, pdeFileCheck(nullptr));
}

}  // namespace
}  // namespace kv71p::test
