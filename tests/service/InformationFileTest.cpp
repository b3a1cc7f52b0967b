// The information file byte for byte and its line rules, the placeholder,
// and the flag-file scan.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "common/PrinterFiles.h"
#include "service/FlagFileScan.h"
#include "service/InformationFile.h"
#include "tests/service/EmulatorProcess.h"

namespace kv71p::test {
namespace {

using namespace kv71p::service;

const uint32_t kRefresh = FlagBit(FlagFile::WindowTotalCount);

// The emulator's default printer with the total count.
std::string Expected(const InfoValues& changes) {
  InfoValues v = {{"TOTAL_COUNT", "01234"}};
  for (const auto& [key, value] : changes) v[key] = value;
  return DefaultInformationFile(kDefaultSerial, "KV-71P", v);
}

// The emulator's printer opened as the worker holds it, and a cache folder
// named by KV71P_CACHE_DIR.
class InformationFileTest : public PrinterFixture {
 protected:
  std::string Path(const std::string& serial) { return folder_ + "/" + InformationFileName(serial); }
  std::string Write(uint32_t flags = kRefresh, const std::string& model = "KV-71P",
                    const std::string& serial = kDefaultSerial) {
    WriteInformationFile(itf_, serial, model, flags, kShort);
    return ReadFile(Path(serial));
  }
  TestCacheDir dir_{"KV-71P"};
  const std::string folder_ = dir_.cache();
};

TEST_F(InformationFileTest, FullFileByteForByteWithItsMode) {
  EXPECT_EQ(Expected({}), Write());
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0666), ModeOf(Path(kDefaultSerial)));
  EXPECT_EQ(1, itf_->OpenCount());  // the writer's own open was closed again
  EXPECT_EQ(std::set<std::string>{"KV-71P_KVP00123.log"}, FolderNames(folder_)) << "nothing else left";
  // The model line holds at most 127 bytes, no character cut in two.
  EXPECT_EQ(Expected({{"MODEL", std::string(127, 'm')}}), Write(kRefresh, std::string(200, 'm')));
  EXPECT_EQ(Expected({{"MODEL", std::string(126, 'm')}}),
            Write(kRefresh, std::string(126, 'm') + "\xc3\xa9"));
  EXPECT_EQ(DefaultInformationFile("AB%2012", "KV-71P", {{"TOTAL_COUNT", "01234"}}),
            Write(kRefresh, "KV-71P", "AB%2012"));
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
  const uint32_t dialog = FlagBit(FlagFile::PrintDialog), window = FlagBit(FlagFile::WindowOpen),
                 dialogCount = FlagBit(FlagFile::PrintDialogTotalCount),
                 started = FlagBit(FlagFile::WindowStarted);
  const struct {
    uint32_t flags;
    int status;
    bool totalSilent;
    std::vector<std::string> queries;
    const char* total;
  } cases[] = {
      {0, 0, false, plain, ""},
      {dialog | window, 0, false, plain, ""},
      {dialogCount, 0, false, with({0}), "01234"},  // before the status
      {kRefresh, 900, false, with({0}), "01234"},
      {started, 0, false, with({1}), "01234"},  // after the status
      {started, 900, false, plain, ""},
      {kRefresh | started, 0, false, with({0}), "01234"},
      {kRefresh, 0, true, with({0}), ""},
      {kRefresh | started, 0, true, with({0, 2}), ""},  // failed, asked again
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
  // (A query that fails, or a printer unplugged at any query: the
  // hardening suite's PrinterFaultTest.)
  const std::pair<std::vector<std::string>, InfoValues> cases[] = {
      {{"status=1000"}, {{"PRINTER_STATUS", "01000"}, {"PRINTER_MESSAGE", "00100"}}},
      {{"status=901"}, {{"PRINTER_STATUS", "00901"}, {"PRINTER_MESSAGE", ""}}},
      {{"status=-1"}, {{"PRINTER_STATUS", "-0001"}, {"PRINTER_MESSAGE", ""}}},
      {{"status=123456"}, {{"PRINTER_STATUS", "123456"}, {"PRINTER_MESSAGE", ""}}},
      // The status number is the answer's leading digits, as atoi reads them.
      {{"frame.STATUS=00000008abcdefg\r"}, {}},
      {{"frame.STATUS=0000000812ab567\r"}, {{"PRINTER_STATUS", "00012"}, {"PRINTER_MESSAGE", ""}}},
      {{"frame.STATUS=0000000812345678"}, {{"PRINTER_STATUS", "99999"}, {"PRINTER_MESSAGE", "00006"}}},
      {{"frame.STATUS=000000091234567\r\r"}, {{"PRINTER_STATUS", "99999"}, {"PRINTER_MESSAGE", "00006"}}},
      // Answers shorter than the characters skipped.
      {{"media=00", "initial=0000", "remain=", "remainhalf=00001", "total=0"},
       {{"MEDIA_SIZE", ""}, {"MEDIA_INITIAL", ""}, {"MEDIA_REMAIN", ""},
        {"MEDIA_REMAIN_HALF", "1"}, {"TOTAL_COUNT", ""}}},
      {{"class=00000002"}, {{"MEDIA_CLASS", ""}}},  // 8 characters do not fit
      {{"firmware=" + std::string(63, 'v')}, {{"PRINTER_VERSION", std::string(63, 'v')}}},
      // Answers that would break the line format.
      {{"firmware=1\"2", "media=00\n\"PRINTER_STATUS=\"00000", "class=2\x01"},
       {{"PRINTER_VERSION", ""}, {"MEDIA_SIZE", ""}, {"MEDIA_CLASS", ""}}},
  };
  for (const auto& [set, changes] : cases) {
    SCOPED_TRACE(set.front());
    ASSERT_TRUE(Set(set));
    EXPECT_EQ(Expected(changes), Write());
    ASSERT_TRUE(Set({"frame.STATUS=", "status=0", "media=0000510", "initial=000000400",
                     "remain=000000123", "remainhalf=000000246", "total=0001234",
                     "class=0000002", "firmware=1.53"}));
  }
}

TEST_F(InformationFileTest, NestedOpenOnlyForTheHolder) {
  // The worker holds the interface: the writer's open is a counted one and
  // does not reach the printer, which now refuses new claims.
  ASSERT_TRUE(Set({"refuse-open=interface"}));
  EXPECT_EQ(Expected({}), Write());
  // Without the worker's open, the writer's own open fails: nothing is
  // asked and the file stays.
  ASSERT_TRUE(WriteFile(Path(kDefaultSerial), "previous"));
  ASSERT_EQ(kUsbSuccess, itf_->Close());
  ASSERT_TRUE(emulator_.ClearLog(id_));
  EXPECT_FALSE(WriteInformationFile(itf_, kDefaultSerial, "KV-71P", kRefresh, kShort));
  EXPECT_EQ("previous", ReadFile(Path(kDefaultSerial)));
  EXPECT_TRUE(emulator_.Log(id_).empty());
}

// (Its bytes: the service's tests, which see it written at each removal.)
TEST_F(InformationFileTest, NoFileNamedByASerialNumberWithASlash) {
  ASSERT_TRUE(WritePlaceholderFile("AB%2012"));
  EXPECT_FALSE(WritePlaceholderFile("../escape"));
  EXPECT_FALSE(WriteInformationFile(itf_, "a/b", "KV-71P", 0, kShort));
  EXPECT_EQ((std::set<std::string>{"KV-71P_AB%2012.log"}), FolderNames(folder_));
  EXPECT_EQ((std::set<std::string>{"KV-71P"}), FolderNames(dir_.path()));
}

TEST_F(InformationFileTest, FlagScanMatchesPrefixesAndConsumesOneShotFiles) {
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
      {{"KV-71P_S_TC_UTIL"}, kRefresh, {}},
      {{"KV-71P_S_START_UTIL"}, FlagBit(FlagFile::WindowStarted), {}},
      // A prefix match sets the bit; only the exact name is deleted.
      {{"KV-71P_S_TC_UTIL.old", "KV-71P_S_START_UTILx"}, kRefresh | FlagBit(FlagFile::WindowStarted),
       {"KV-71P_S_TC_UTIL.old", "KV-71P_S_START_UTILx"}},
      {{"KV-71P_S_PDE_", "KV-71P_S_TC_PDE", "KV-71P_S_UTIL", "KV-71P_S_TC_UTIL",
        "KV-71P_S_START_UTIL"},
       31, {"KV-71P_S_PDE_", "KV-71P_S_UTIL"}},
  };
  ASSERT_EQ(0, mkdir(folder_.c_str(), 0777));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files.empty() ? "none" : c.files[0]);
    for (const std::string& n : FolderNames(folder_)) unlink((folder_ + "/" + n).c_str());
    for (const std::string& f : c.files) ASSERT_TRUE(WriteFile(folder_ + "/" + f, ""));
    EXPECT_EQ(c.bits, ScanFlagFiles("S"));
    EXPECT_EQ(c.left, FolderNames(folder_));
  }
  // (A folder that is missing or a link: the hardening suite's
  // CacheFolderFaultTest.)
}

}  // namespace
}  // namespace kv71p::test
