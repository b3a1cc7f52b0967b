// The real status window, offscreen: information files written into a
// temporary cache folder, one cycle run, the widgets' texts, icon and gauge
// read back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTranslator>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/FlagFiles.h"
#include "apps/printwatch/QtAppHost.h"
#include "apps/printwatch/StatusWindow.h"
#include "apps/printwatch/Translations.h"
#include "common/CacheFolder.h"
#include "tests/support/InfoFileText.h"
#include "tests/support/OffscreenApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

using namespace kv71p;

namespace {

using namespace kv71p::printwatch;

const char* const kResources = PRINTWATCH_RESOURCE_DIR;
const char* const kSerial = "SN%201";

std::string Tr(const char* key) { return qtTrId(key).toStdString(); }

// Runs cycles on demand; no print system, no quitting.
class TestHost : public QtAppHost {
 public:
  using QtAppHost::QtAppHost;
  void StartRepeatingTimer(double seconds) override { timerSeconds = seconds; }
  bool PrinterNames(std::vector<std::string>*) override { return false; }
  void Terminate() override { terminated = true; }
  double timerSeconds = 0;
  bool terminated = false;
};

// An information file as the service writes it, these values changed.
std::string InfoFile(const kv71p::test::InfoValues& changes) {
  kv71p::test::InfoValues v = {
      {"MODEL", "KV-71P"}, {"PRINTER_STATUS", "00000"}, {"PRINTER_MESSAGE", "00001"},
      {"PRINTER_VERSION", "1.02.07"}, {"PRINTER_SERIAL_NO", "SN%201"}, {"MEDIA_SIZE", "00510"},
      {"MEDIA_CLASS", "2"}, {"MEDIA_INITIAL", "00200"}, {"MEDIA_REMAIN", "00150"},
      {"MEDIA_REMAIN_HALF", "00300"}};
  for (const auto& [key, value] : changes) v[key] = value;
  return kv71p::test::InfoFileText(v);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OffscreenApp();
    folder_ = dir_ / "Korvale/KV-71P";
    setenv("KV71P_CACHE_DIR", folder_.c_str(), 1);
    CheckAndMake_CacheFolder();
    english_ = std::make_unique<Translations>(kResources, QLocale(QLocale::English));
    window_ = std::make_unique<StatusWindow>();
    host_ = std::make_unique<TestHost>(
        std::vector<std::string>{"Printwatch", kSerial, "KV-71P Studio"}, kResources,
        window_.get());
    delegate_ = std::make_unique<AppDelegate>(host_.get(), window_.get());
    host_->SetDelegate(delegate_.get());
    window_->SetUpdateAction([this] { delegate_->updateButtonPushed(); });
    delegate_->applicationWillFinishLaunching();
    window_->show();
  }
  void TearDown() override { unsetenv("KV71P_CACHE_DIR"); }

  std::string InfoPath() const { return folder_ + "/KV-71P_SN%201.log"; }
  void Write(const std::string& text) { ASSERT_TRUE(kv71p::test::WriteFile(InfoPath(), text)); }
  std::map<std::string, std::string> Cycle() {
    host_->RunCycle();
    QApplication::processEvents();
    std::map<std::string, std::string> shown;
    for (const auto& [name, value] : window_->Shown()) shown[name] = value;
    return shown;
  }
  template <typename W>
  W* Widget(const char* name) {
    W* w = window_->findChild<W*>(name);
    EXPECT_NE(nullptr, w) << name;
    return w;
  }

  TestTempDir dir_;
  std::string folder_;
  std::unique_ptr<Translations> english_;
  std::unique_ptr<StatusWindow> window_;
  std::unique_ptr<TestHost> host_;
  std::unique_ptr<AppDelegate> delegate_;
};

TEST_F(WindowTest, SetUpShowsTitlesAndEmptyLabelsAndStartsOneSecondTimer) {
  EXPECT_EQ("KV-71P Studio", window_->windowTitle().toStdString());
  EXPECT_EQ(1.0, host_->timerSeconds);
  EXPECT_EQ(Tr("statusGroupTitle"), Widget<QGroupBox>("statusBox")->title().toStdString());
  EXPECT_EQ(Tr("mediaGroupTitle") + "[ --- ]",
            Widget<QGroupBox>("mediaInfoBox")->title().toStdString());
  EXPECT_EQ(Tr("update"), Widget<QPushButton>("updateButton")->text().toStdString());
  EXPECT_EQ(Tr("percent50"), Widget<QLabel>("percent50Label")->text().toStdString());
  EXPECT_EQ("", Widget<QLabel>("statusLabel")->text().toStdString());
  EXPECT_EQ(0, Widget<QProgressBar>("progressIndicator")->minimum());
  EXPECT_EQ(100, Widget<QProgressBar>("progressIndicator")->maximum());
  EXPECT_EQ("sheets", Tr("sheets")) << "English texts loaded";
}

// One cycle per row, each on a fresh window.
TEST_F(WindowTest, OneCycleTurnsTheFileIntoTexts) {
  const std::string S = Tr("sheets");
  const std::string T = Tr("mediaGroupTitle");
  const struct Row {
    const char* what;
    std::map<std::string, std::string> file;
    std::map<std::string, std::string> shown;
  } rows[] = {
      {"printing with media",
       {{"PRINTER_STATUS", "00001"}, {"PRINTER_MESSAGE", "00002"}, {"MEDIA_REMAIN", "00050"},
        {"MEDIA_REMAIN_HALF", "00100"}, {"TOTAL_COUNT", "00012345"}, {"PRINTER_SERIAL_NO", "AB%20CD"}},
       {{"STATUS", Tr("st_00001")}, {"STATUS_ICON", "PrtStsPrinting"}, {"MESSAGE", Tr("ms_00002")},
        {"MEDIA_TITLE", T + "[ " + Tr("mediaPremiumDigital") + " ]"},
        {"MEDIA_SIZE", Tr("size_00510")},
        {"MEDIA_COUNT", "50 / 200  " + S + " ( 100  " + S + " :  8x6in)"}, {"GAUGE", "25"},
        {"TOTAL_COUNT", "12345"}, {"SERIAL_NO", "AB CD"}, {"FIRM_VERSION", "1.02.07"}}},
      {"1 of 3 is 33",
       {{"MEDIA_SIZE", "00500"}, {"MEDIA_INITIAL", "3"}, {"MEDIA_REMAIN", "1"},
        {"MEDIA_REMAIN_HALF", "2"}},
       {{"MEDIA_COUNT", "1 / 3  " + S + " ( 2  " + S + " :  8x5in)"}, {"GAUGE", "33"},
        {"MEDIA_SIZE", Tr("size_00500")}, {"TOTAL_COUNT", "---"}}},
      {"paper end",
       {{"PRINTER_STATUS", "01100"}, {"PRINTER_MESSAGE", "00102"}, {"MEDIA_SIZE", "00600"},
        {"MEDIA_REMAIN", "0"}, {"MEDIA_REMAIN_HALF", "0"}},
       {{"STATUS", Tr("st_01100")}, {"STATUS_ICON", "PrtStsPaperEnd"},
        {"MESSAGE", Tr("ms_00102")}, {"MEDIA_COUNT", "0 / 200  " + S + " ( 0  " + S + " :  A5)"},
        {"GAUGE", "0"}}},
      {"ribbon end hides the remaining counts",
       {{"PRINTER_STATUS", "01200"}, {"PRINTER_MESSAGE", "00103"}},
       {{"STATUS_ICON", "PrtStsRibbonEnd"}, {"MESSAGE", Tr("ms_00103")},
        {"MEDIA_COUNT", "0 / 200  " + S + " ( 0  " + S + " :  8x6in)"}, {"GAUGE", "0"}}},
      {"offline status hides them too",
       {{"PRINTER_STATUS", "99999"}, {"PRINTER_MESSAGE", "00006"}, {"MEDIA_SIZE", "00400"}},
       {{"STATUS", Tr("st_99999")}, {"STATUS_ICON", "PrtStsOffline"}, {"MESSAGE", Tr("ms_00006")},
        {"MEDIA_SIZE", "---"}, {"MEDIA_COUNT", "--- / ---  " + S}, {"GAUGE", "0"}}},
      {"unknown size adds the media line",
       {{"MEDIA_SIZE", "00400"}},
       {{"MEDIA_SIZE", "---"}, {"MESSAGE", Tr("ms_00001") + "\n" + Tr("ms_00108")},
        {"MEDIA_COUNT", "--- / ---  " + S}, {"GAUGE", "0"}}},
      {"unknown message and size: the media line after an empty one",
       {{"PRINTER_MESSAGE", "00109"}, {"MEDIA_SIZE", "00400"}},
       {{"MESSAGE", "\n" + Tr("ms_00108")}}},
      {"message code 0 has no text", {{"PRINTER_MESSAGE", "00000"}}, {{"MESSAGE", ""}}},
      {"no initial quantity",
       {{"MEDIA_INITIAL", "0"}},
       {{"MEDIA_COUNT", "--- / ---  " + S + " (---  " + S + " : 8x6in)"}, {"GAUGE", "0"}}},
      {"empty media size with quantities",
       {{"MEDIA_SIZE", ""}, {"MEDIA_REMAIN", "150"}},
       {{"MEDIA_SIZE", "---"}, {"MEDIA_COUNT", "0 / 200  " + S}, {"GAUGE", "0"},
        {"MESSAGE", Tr("ms_00001") + "\n" + Tr("ms_00108")}}},
      {"empty media size and no initial quantity",
       {{"MEDIA_SIZE", ""}, {"MEDIA_INITIAL", "0"}},
       {{"MEDIA_COUNT", "--- / ---  " + S}}},
      {"empty quantities", {{"MEDIA_REMAIN", ""}}, {{"MEDIA_COUNT", "--- / ---  " + S}}},
      {"class 1", {{"MEDIA_CLASS", "1"}}, {{"MEDIA_TITLE", T + "[ " + Tr("mediaDigital") + " ]"}}},
      {"unknown class", {{"MEDIA_CLASS", "7"}}, {{"MEDIA_TITLE", T + "[ --- ]"}}},
      {"empty class", {{"MEDIA_CLASS", ""}}, {{"MEDIA_TITLE", T + "[ --- ]"}}},
      {"empty status is offline",
       {{"PRINTER_STATUS", ""}},
       {{"STATUS", Tr("st_99999")}, {"STATUS_ICON", "PrtStsOffline"}}},
      {"unknown status at start: no text, offline icon",
       {{"PRINTER_STATUS", "00700"}},
       {{"STATUS", ""}, {"STATUS_ICON", "PrtStsOffline"}}},
      {"system error", {{"PRINTER_STATUS", "02610"}}, {{"STATUS_ICON", "PrtStsSystemErr01"}}},
      {"more remaining than initial fills the gauge",
       {{"MEDIA_REMAIN", "00250"}},
       {{"GAUGE", "100"}, {"MEDIA_COUNT", "250 / 200  " + S + " ( 300  " + S + " :  8x6in)"}}},
      {"empty serial and firmware",
       {{"PRINTER_SERIAL_NO", ""}, {"PRINTER_VERSION", ""}},
       {{"SERIAL_NO", "---"}, {"FIRM_VERSION", "---"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    const QSize size = window_->size();
    Write(InfoFile(row.file));
    const auto shown = Cycle();
    for (const auto& [name, value] : row.shown) EXPECT_EQ(value, shown.at(name)) << name;
    EXPECT_EQ(size, window_->size()) << "the layout does not change with the texts";
  }
}

// Cycle after cycle: the total count is remembered until the printer is
// offline, and an unknown status keeps the last one.
TEST_F(WindowTest, RememberedTotalCountAndLastKnownStatus) {
  const struct {
    const char *status, *total, *shown, *icon;
  } cycles[] = {
      {"00000", "", "---", "PrtStsIdle"},           {"00000", "00012345", "12345", "PrtStsIdle"},
      {"00001", "", "12345", "PrtStsPrinting"},     {"00700", "", "12345", "PrtStsPrinting"},
      {"99999", "", "---", "PrtStsOffline"},        {"00000", "", "12345", "PrtStsIdle"},
      {"", "", "---", "PrtStsOffline"},             {"00000", "00000007", "7", "PrtStsIdle"},
  };
  for (const auto& c : cycles) {
    SCOPED_TRACE(std::string(c.status) + " / " + c.total);
    Write(InfoFile({{"PRINTER_STATUS", c.status}, {"TOTAL_COUNT", c.total}}));
    const auto shown = Cycle();
    EXPECT_EQ(c.shown, shown.at("TOTAL_COUNT"));
    EXPECT_EQ(c.icon, shown.at("STATUS_ICON"));
  }
}

TEST_F(WindowTest, MissingOrUnreadableFileShowsTheOfflineDefaults) {
  const std::string S = Tr("sheets");
  const std::map<std::string, std::string> offline = {
      {"STATUS", Tr("st_99999")}, {"STATUS_ICON", "PrtStsOffline"}, {"MESSAGE", Tr("ms_00006")},
      {"MEDIA_SIZE", "---"}, {"MEDIA_COUNT", "--- / ---  " + S}, {"GAUGE", "0"},
      {"TOTAL_COUNT", "---"}, {"SERIAL_NO", "---"}, {"FIRM_VERSION", "---"},
      {"MEDIA_TITLE", Tr("mediaGroupTitle") + "[ --- ]"},
  };
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
  } cases[] = {
      {"missing", [](const std::string&) {}},
      {"not UTF-8",
       [](const std::string& p) { kv71p::test::WriteFile(p, "PRINTER_STATUS=\"\xFF\"\n"); }},
      {"a FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0666); }},
      {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0777); }},
      {"a link to a good file",
       [&](const std::string& p) { symlink((dir_ / "good").c_str(), p.c_str()); }},
      {"over 64 KiB", [](const std::string& p) { kv71p::test::WriteFile(p, InfoFile({}) + std::string(65536, '#')); }},
  };
  ASSERT_TRUE(kv71p::test::WriteFile(dir_ / "good", InfoFile({{"PRINTER_STATUS", "00001"}})));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // A good cycle first, so every value has something to lose.
    Write(InfoFile({{"TOTAL_COUNT", "00000042"}, {"PRINTER_STATUS", "00001"}}));
    ASSERT_EQ("42", Cycle().at("TOTAL_COUNT"));
    unlink(InfoPath().c_str());
    c.make(InfoPath());
    const auto shown = Cycle();
    for (const auto& [name, value] : offline) EXPECT_EQ(value, shown.at(name)) << name;
    rmdir(InfoPath().c_str());
    unlink(InfoPath().c_str());
  }
}

TEST_F(WindowTest, HalfWrittenFileKeepsTheLastCompleteValues) {
  const std::string full = InfoFile({{"PRINTER_STATUS", "00001"}, {"PRINTER_MESSAGE", "00002"},
                                     {"TOTAL_COUNT", "00012345"}, {"MEDIA_REMAIN", "00050"}});
  Write(full);
  const auto before = Cycle();
  for (size_t cut : {size_t(0), size_t(40), full.find("MEDIA_INITIAL") + 5}) {
    SCOPED_TRACE(cut);
    Write(full.substr(0, cut));
    EXPECT_EQ(before, Cycle());
  }
}

TEST_F(WindowTest, IconIsTheResourceImage) {
  Write(InfoFile({{"PRINTER_STATUS", "01100"}}));
  Cycle();
  const QImage expected =
      QImage(QString(kResources) + "/PrtStsPaperEnd.png").convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(expected.isNull());
  const QPixmap shown = Widget<QLabel>("statusIconView")->pixmap();
  EXPECT_EQ(expected, shown.toImage().convertToFormat(QImage::Format_ARGB32));
}

TEST_F(WindowTest, LaunchLeavesTheStartFlagAndTheButtonTheRefreshFlag) {
  const std::string start = folder_ + "/KV-71P_SN%201_START_UTIL";
  const std::string refresh = folder_ + "/KV-71P_SN%201_TC_UTIL";
  delegate_->applicationDidFinishLaunching();
  EXPECT_EQ(0, access(start.c_str(), F_OK));
  EXPECT_NE(0, access(refresh.c_str(), F_OK));

  Write(InfoFile({}));
  const auto before = Cycle();
  // The cache folder is made again when it went missing.
  std::filesystem::remove_all(dir_ / "Korvale");
  Widget<QPushButton>("updateButton")->click();
  EXPECT_EQ(0, access(refresh.c_str(), F_OK));
  struct stat st;
  ASSERT_EQ(0, stat(refresh.c_str(), &st));
  EXPECT_EQ(0666u, st.st_mode & 0777);
  EXPECT_EQ(0, st.st_size);
  std::map<std::string, std::string> after;
  for (const auto& [name, value] : window_->Shown()) after[name] = value;
  EXPECT_EQ(before, after) << "the button changes nothing on screen";
}

// Both string tables have a text for every key; the locale chooses the
// language, English for one we do not have; a missing id shows itself.
TEST(Translations, CompleteTablesChosenByTheLocale) {
  OffscreenApp();
  const std::vector<std::string> keys = AllTextKeys();
  ASSERT_EQ(66u, keys.size());
  for (const char* file : {"printwatch_en", "printwatch_de"}) {
    QTranslator table;
    ASSERT_TRUE(table.load(file, kResources)) << file;
    EXPECT_TRUE(table.translate(nullptr, "no_such_key").isEmpty());
    for (const std::string& key : keys)
      EXPECT_FALSE(table.translate(nullptr, key.c_str()).isEmpty()) << file << ": no text for " << key;
  }
  const std::pair<QLocale, const char*> locales[] = {
      {QLocale(QLocale::English, QLocale::UnitedStates), "Update"},
      {QLocale(QLocale::German, QLocale::Germany), "Aktualisieren"},
      {QLocale(QLocale::French, QLocale::France), "Update"},
  };
  for (const auto& [locale, update] : locales) {
    Translations texts(kResources, locale);
    EXPECT_EQ(update, Tr("update"));
    EXPECT_EQ("no_such_key", Tr("no_such_key"));
  }
  EXPECT_EQ("update", Tr("update")) << "no table installed: the id itself";
}

}  // namespace
