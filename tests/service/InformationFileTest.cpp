// The information file byte for byte, its line rules, the flag-file scan
// and writing into a cache folder that others can write to.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <map>
#include <set>

#include "EmulatorProcess.h"
#include "InformationFile.h"
#include "StatusQueries.h"

namespace {

using kv71p::test::EmulatorProcess;
using kv71p::test::OpenPrinter;
using kv71p::test::ReadFile;

const TransferTimeouts kShort{500, 300};

const char kPlaceholder[] =
    "#PRINTER_INFORMATION\n"
    "MODEL=\"\"\n"
    "PRINTER_STATUS=\"99999\"\n"
    "PRINTER_MESSAGE=\"00006\"\n"
    "PRINTER_VERSION=\"\"\n"
    "PRINTER_SERIAL_NO=\"\"\n"
    "\n"
    "#MEDIA_INFORMATION\n"
    "MEDIA_SIZE=\"\"\n"
    "MEDIA_CLASS=\"\"\n"
    "MEDIA_INITIAL=\"\"\n"
    "MEDIA_REMAIN=\"\"\n"
    "MEDIA_REMAIN_HALF=\"\"\n"
    "\n"
    "#COUNTER_INFORMATION\n"
    "TOTAL_COUNT=\"\"\n"
    "\n";

// The full file of the emulator's default printer, total count included.
const char kDefaultFull[] =
    "#PRINTER_INFORMATION\n"
    "MODEL=\"KV-71P\"\n"
    "PRINTER_STATUS=\"00000\"\n"
    "PRINTER_MESSAGE=\"00001\"\n"
    "PRINTER_VERSION=\"1.53\"\n"
    "PRINTER_SERIAL_NO=\"KVP00123\"\n"
    "\n"
    "#MEDIA_INFORMATION\n"
    "MEDIA_SIZE=\"00510\"\n"
    "MEDIA_CLASS=\"0000002\"\n"
    "MEDIA_INITIAL=\"00400\"\n"
    "MEDIA_REMAIN=\"00123\"\n"
    "MEDIA_REMAIN_HALF=\"00246\"\n"
    "\n"
    "#COUNTER_INFORMATION\n"
    "TOTAL_COUNT=\"01234\"\n"
    "\n";

mode_t ModeOf(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode;
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
        names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

// `text` with the value of the line that begins with `key=` replaced.
std::string WithValue(std::string text, const std::string& key, const std::string& value) {
  const size_t at = text.find("\n" + key + "=\"");
  if (at == std::string::npos) return "(no line " + key + ")";
  const size_t start = at + key.size() + 3;
  const size_t end = text.find("\"\n", start);
  return text.replace(start, end - start, value);
}

class CacheFolderFixture : public ::testing::Test {
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
  void Touch(const std::string& name) { ASSERT_TRUE(kv71p::test::WriteFile(model_ + "/" + name, "")); }

  TestTempDir dir_;
  std::string maker_, model_;
  mode_t oldMask_ = 0;
};

class InformationFileTest : public CacheFolderFixture {
 protected:
  void SetUp() override {
    CacheFolderFixture::SetUp();
    ASSERT_TRUE(emulator_.Start());
    id_ = emulator_.Attach();
    printer_ = OpenPrinter(emulator_.socketPath(), id_);
    ASSERT_TRUE(printer_);
    itf_ = printer_->first();
    std::strcpy(record_.model, "KV-71P");
    std::strcpy(record_.serialNo, "KVP00123");
    record_.modelKnown = record_.serialKnown = 1;
  }
  std::string Write(int flags) {
    record_.flagBits = flags;
    WriteFile(itf_, &record_, kShort);
    return ReadFile(InfoPath(record_.serialNo));
  }

  EmulatorProcess emulator_;
  unsigned id_ = 0;
  std::unique_ptr<kv71p::test::OpenedPrinter> printer_;
  UsbInterface* itf_ = nullptr;
  thdata record_;
};

TEST_F(InformationFileTest, FullFileByteForByteWithItsMode) {
  EXPECT_EQ(kDefaultFull, Write(kFlagTcUtil));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(InfoPath("KVP00123")));
  EXPECT_EQ(1, itf_->OpenCount());  // the writer's own open was closed again
  // Only the file: the replacement leaves nothing else behind.
  EXPECT_EQ(std::set<std::string>{"KV-71P_KVP00123.log"}, Names(model_));
}

TEST_F(InformationFileTest, TotalCountFollowsTheFlagBits) {
  const std::vector<std::string> plain = {"STATUS",          "INFO FVER", "INFO MEDIA",
                                          "INFO MEDIA_CLASS_RFID", "INFO MQTY_DEFAULT",
                                          "INFO MQTY",       "INFO RQTY"};
  auto with = [&](size_t at) {
    std::vector<std::string> v = plain;
    v.insert(v.begin() + static_cast<long>(at), "MNT_RD COUNTER_LIFE");
    return v;
  };
  struct Case {
    const char* name;
    int flags;
    int status;
    bool totalSilent;
    std::vector<std::string> queries;
    const char* total;
  };
  const Case cases[] = {
      {"no flags", 0, 0, false, plain, ""},
      {"PDE_ alone", kFlagPde, 0, false, plain, ""},
      {"UTIL alone", kFlagUtil, 0, false, plain, ""},
      {"TC_PDE before status", kFlagTcPde, 0, false, with(0), "01234"},
      {"TC_UTIL before status", kFlagTcUtil, 0, false, with(0), "01234"},
      {"both TC flags, one query", kFlagTcPde | kFlagTcUtil, 0, false, with(0), "01234"},
      {"START_UTIL after status", kFlagStartUtil, 0, false, with(1), "01234"},
      {"START_UTIL while status 900", kFlagStartUtil, 900, false, plain, ""},
      {"TC_UTIL while status 900", kFlagTcUtil, 900, false, with(0), "01234"},
      {"TC_UTIL and START_UTIL, one query", kFlagTcUtil | kFlagStartUtil, 0, false, with(0),
       "01234"},
      {"failed total count", kFlagTcUtil, 0, true, with(0), ""},
      {"failed before status, asked again after", kFlagTcUtil | kFlagStartUtil, 0, true,
       [&] {
         std::vector<std::string> v = with(0);
         v.insert(v.begin() + 2, "MNT_RD COUNTER_LIFE");
         return v;
       }(),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.Set(id_, {"status=" + std::to_string(c.status),
                                    std::string("silent=") + (c.totalSilent ? "COUNTER_LIFE" : "none")}));
    ASSERT_TRUE(emulator_.ClearLog(id_));
    const std::string text = Write(c.flags);
    EXPECT_EQ(c.queries, emulator_.LoggedTitles(id_));
    std::string expected = WithValue(kDefaultFull, "TOTAL_COUNT", c.total);
    if (c.status == 900) {
      expected = WithValue(expected, "PRINTER_STATUS", "00900");
      expected = WithValue(expected, "PRINTER_MESSAGE", "00005");
    }
    EXPECT_EQ(expected, text);
  }
}

TEST_F(InformationFileTest, LineRules) {
  struct Case {
    const char* name;
    std::vector<std::string> set;
    std::map<std::string, std::string> values;
  };
  const Case cases[] = {
      {"failed status query", {"silent=STATUS"},
       {{"PRINTER_STATUS", "99999"}, {"PRINTER_MESSAGE", "00006"}}},
      {"status without message code", {"status=901"},
       {{"PRINTER_STATUS", "00901"}, {"PRINTER_MESSAGE", ""}}},
      {"negative status", {"status=-1"}, {{"PRINTER_STATUS", "-0001"}, {"PRINTER_MESSAGE", ""}}},
      {"large status", {"status=123456"},
       {{"PRINTER_STATUS", "123456"}, {"PRINTER_MESSAGE", ""}}},
      {"every other query failing",
       {"silent=FVER,MEDIA,MEDIA_CLASS_RFID,MQTY_DEFAULT,MQTY,RQTY,COUNTER_LIFE"},
       {{"PRINTER_VERSION", ""}, {"MEDIA_SIZE", ""}, {"MEDIA_CLASS", ""}, {"MEDIA_INITIAL", ""},
        {"MEDIA_REMAIN", ""}, {"MEDIA_REMAIN_HALF", ""}, {"TOTAL_COUNT", ""}}},
      {"answers shorter than the skipped characters",
       {"media=00", "initial=0000", "remain=", "remainhalf=00001", "total=0"},
       {{"MEDIA_SIZE", ""}, {"MEDIA_INITIAL", ""}, {"MEDIA_REMAIN", ""},
        {"MEDIA_REMAIN_HALF", "1"}, {"TOTAL_COUNT", ""}}},
      {"a class answer of 8 characters does not fit", {"class=00000002"}, {{"MEDIA_CLASS", ""}}},
      {"a 63-character version is written whole", {"firmware=" + std::string(63, 'v')},
       {{"PRINTER_VERSION", std::string(63, 'v')}}},
      {"answers that would break the line format",
       {"firmware=1\"2", "media=00\n\"PRINTER_STATUS=\"00000", "class=2\x01"},
       {{"PRINTER_VERSION", ""}, {"MEDIA_SIZE", ""}, {"MEDIA_CLASS", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(emulator_.Set(id_, c.set));
    std::string expected = kDefaultFull;
    for (const auto& v : c.values) expected = WithValue(expected, v.first, v.second);
    EXPECT_EQ(expected, Write(kFlagTcUtil));
    // Back to the defaults.
    ASSERT_TRUE(emulator_.Set(id_, {"silent=none", "status=0", "media=0000510", "initial=000000400",
                                    "remain=000000123", "remainhalf=000000246", "total=0001234",
                                    "class=0000002", "firmware=1.53"}));
  }
}

TEST_F(InformationFileTest, ModelAndSerialFromTheRecord) {
  std::strcpy(record_.model, "");
  std::strcpy(record_.serialNo, "AB%2012");
  std::string expected = WithValue(kDefaultFull, "MODEL", "");
  expected = WithValue(expected, "PRINTER_SERIAL_NO", "AB%2012");
  EXPECT_EQ(expected, Write(kFlagTcUtil));
  std::memset(record_.model, 'm', 127);
  record_.model[127] = '\0';
  EXPECT_EQ(WithValue(expected, "MODEL", std::string(127, 'm')), Write(kFlagTcUtil));
}

TEST_F(InformationFileTest, NestedOpenOnlyForTheHolder) {
  ASSERT_TRUE(kv71p::test::WriteFile(InfoPath("KVP00123"), "previous"));
  // The worker holds the interface: the writer's open is a counted one and
  // does not reach the printer, which now refuses new claims.
  ASSERT_TRUE(emulator_.Set(id_, {"refuse-open=interface"}));
  EXPECT_EQ(kDefaultFull, Write(kFlagTcUtil));
  // Without the worker's open, the writer's own open fails: nothing is
  // asked and the file stays.
  ASSERT_TRUE(kv71p::test::WriteFile(InfoPath("KVP00123"), "previous"));
  ASSERT_EQ(kv71p::kUsbSuccess, itf_->Close());
  ASSERT_TRUE(emulator_.ClearLog(id_));
  EXPECT_EQ("previous", Write(kFlagTcUtil));
  EXPECT_TRUE(emulator_.Log(id_).empty());
}

TEST_F(InformationFileTest, PrinterUnpluggedDuringTheWriting) {
  ASSERT_TRUE(emulator_.Set(id_, {"unplug-on=MEDIA"}));
  std::string expected = kDefaultFull;
  for (const char* key :
       {"MEDIA_SIZE", "MEDIA_CLASS", "MEDIA_INITIAL", "MEDIA_REMAIN", "MEDIA_REMAIN_HALF"})
    expected = WithValue(expected, key, "");
  EXPECT_EQ(expected, Write(kFlagTcUtil));
}

TEST_F(CacheFolderFixture, PlaceholderByteForByte) {
  WriteFile("AB%2012");
  EXPECT_EQ(kPlaceholder, ReadFile(InfoPath("AB%2012")));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(InfoPath("AB%2012")));
  WriteFile("");  // a serial number never read
  EXPECT_EQ(kPlaceholder, ReadFile(model_ + "/KV-71P_.log"));
  WriteFile(nullptr);
  WriteFile("../escape");
  EXPECT_EQ((std::set<std::string>{"KV-71P_AB%2012.log", "KV-71P_.log"}), Names(model_));
  EXPECT_EQ((std::set<std::string>{"KV-71P"}), Names(maker_));
}

TEST_F(CacheFolderFixture, FoldersMissingAtWritingTimeAreMadeAgain) {
  ASSERT_EQ(0, rmdir(model_.c_str()));
  WriteFile("S1");
  EXPECT_EQ(kPlaceholder, ReadFile(InfoPath("S1")));
  EXPECT_EQ(static_cast<mode_t>(S_IFDIR | 0777), ModeOf(model_));

  ASSERT_EQ(0, unlink(InfoPath("S1").c_str()));
  ASSERT_EQ(0, rmdir(model_.c_str()));
  ASSERT_EQ(0, rmdir(maker_.c_str()));
  WriteFile("S1");
  EXPECT_EQ(kPlaceholder, ReadFile(InfoPath("S1")));
  EXPECT_EQ(static_cast<mode_t>(S_IFDIR | 0777), ModeOf(maker_));

  // A maker folder that cannot be made: nothing happens.
  setenv("KV71P_CACHE_DIR", (dir_ / "missing/Korvale/KV-71P").c_str(), 1);
  WriteFile("S1");
  EXPECT_EQ(0u, ModeOf(dir_ / "missing"));
}

TEST_F(CacheFolderFixture, PlantedLinksAreNeitherFollowedNorHarmedThrough) {
  const std::string victim = dir_ / "victim";
  ASSERT_TRUE(kv71p::test::WriteFile(victim, "keep me"));
  ASSERT_EQ(0, chmod(victim.c_str(), 0600));
  ASSERT_EQ(0, symlink(victim.c_str(), InfoPath("S1").c_str()));
  WriteFile("S1");
  EXPECT_EQ("keep me", ReadFile(victim));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0600), ModeOf(victim));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(InfoPath("S1")));
  EXPECT_EQ(kPlaceholder, ReadFile(InfoPath("S1")));

  // The model folder itself replaced by a link to another folder.
  const std::string elsewhere = dir_ / "elsewhere";
  ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0700));
  ASSERT_EQ(0, rename(model_.c_str(), (dir_ / "old-model").c_str()));
  ASSERT_EQ(0, symlink(elsewhere.c_str(), model_.c_str()));
  WriteFile("S2");
  Touch("KV-71P_S2_TC_UTIL");  // lands in `elsewhere` through the link
  EXPECT_EQ(0u, pdeFileCheck("S2"));
  EXPECT_EQ(std::set<std::string>{"KV-71P_S2_TC_UTIL"}, Names(elsewhere));
}

TEST_F(CacheFolderFixture, FlagScanMatchesPrefixesAndConsumesOneShotFiles) {
  struct Case {
    const char* name;
    std::vector<std::string> files;
    uint32_t bits;
    std::set<std::string> left;
  };
  const Case cases[] = {
      {"none", {}, 0, {}},
      {"other files", {"KV-71P_S.log", "KV-71P_T_UTIL", "KV-71P_S_UTI", "XKV-71P_S_UTIL"}, 0,
       {"KV-71P_S.log", "KV-71P_T_UTIL", "KV-71P_S_UTI", "XKV-71P_S_UTIL"}},
      {"PDE_ with anything behind it", {"KV-71P_S_PDE_whatever"}, kFlagPde,
       {"KV-71P_S_PDE_whatever"}},
      {"TC_PDE consumed", {"KV-71P_S_TC_PDE"}, kFlagTcPde, {}},
      {"UTIL stays", {"KV-71P_S_UTIL"}, kFlagUtil, {"KV-71P_S_UTIL"}},
      {"TC_UTIL consumed", {"KV-71P_S_TC_UTIL"}, kFlagTcUtil, {}},
      {"START_UTIL consumed", {"KV-71P_S_START_UTIL"}, kFlagStartUtil, {}},
      {"prefix match deletes only the exact name",
       {"KV-71P_S_TC_UTIL.old", "KV-71P_S_START_UTILx"}, kFlagTcUtil | kFlagStartUtil,
       {"KV-71P_S_TC_UTIL.old", "KV-71P_S_START_UTILx"}},
      {"all five",
       {"KV-71P_S_PDE_", "KV-71P_S_TC_PDE", "KV-71P_S_UTIL", "KV-71P_S_TC_UTIL",
        "KV-71P_S_START_UTIL"},
       31, {"KV-71P_S_PDE_", "KV-71P_S_UTIL"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& n : Names(model_)) unlink((model_ + "/" + n).c_str());
    for (const std::string& f : c.files) Touch(f);
    EXPECT_EQ(c.bits, pdeFileCheck("S"));
    EXPECT_EQ(c.left, Names(model_));
  }
  // A one-shot flag planted as a link: the link goes, its target stays.
  const std::string target = dir_ / "target";
  ASSERT_TRUE(kv71p::test::WriteFile(target, "t"));
  ASSERT_EQ(0, symlink(target.c_str(), (model_ + "/KV-71P_S_TC_UTIL").c_str()));
  EXPECT_EQ(kFlagTcUtil | kFlagPde | kFlagUtil, pdeFileCheck("S"));
  EXPECT_EQ("t", ReadFile(target));

  std::filesystem::remove_all(model_);
  EXPECT_EQ(0u, pdeFileCheck("S"));
  EXPECT_EQ(0u, pdeFileCheck(nullptr));
}

}  // namespace
