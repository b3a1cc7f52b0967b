// The real status window, offscreen: information files written into a
// temporary cache folder, one cycle run, the widgets' texts, icon and gauge
// read back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTranslator>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/QtAppHost.h"
#include "apps/printwatch/StatusWindow.h"
#include "apps/printwatch/Translations.h"
#include "common/CacheFolder.h"
#include "common/PrinterFiles.h"
#include "tests/support/InfoFileText.h"
#include "tests/support/OffscreenApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

using namespace kv71p;
using namespace kv71p::infokey;
using namespace kv71p::printwatch;
using Texts = std::map<std::string, std::string>;

const char* const kResources = PRINTWATCH_RESOURCE_DIR;
const char* const kSerial = "SN%201";

std::string Tr(const char* key) { return qtTrId(key).toStdString(); }

// `text` with every "#" standing for the unit "sheets".
std::string Sheets(std::string text) {
  for (size_t at; (at = text.find('#')) != std::string::npos;) text.replace(at, 1, Tr("sheets"));
  return text;
}

// Runs cycles on demand; no print system, no quitting.
class TestHost : public QtAppHost {
 public:
  using QtAppHost::QtAppHost;
  void StartRepeatingTimer(double seconds) override { timerSeconds = seconds; }
  bool PrinterNames(std::vector<std::string>*) override { return false; }
  void Terminate() override {}
  double timerSeconds = 0;
};

// An information file as the service writes it, these values changed.
std::string InfoFile(const test::InfoValues& changes) {
  test::InfoValues values = {
      {kModel, "KV-71P"},         {kPrinterStatus, "00000"}, {kPrinterMessage, "00001"},
      {kPrinterVersion, "1.02.07"}, {kPrinterSerialNo, kSerial}, {kMediaSize, "00510"},
      {kMediaClass, "2"},         {kMediaInitial, "00200"},  {kMediaRemain, "00150"},
      {kMediaRemainHalf, "00300"}};
  for (const auto& [key, value] : changes) values[key] = value;
  return test::InfoFileText(values);
}

// A window with its host and controller, set up as the program sets it up.
struct Window {
  Window() {
    host.SetDelegate(&delegate);
    view.SetUpdateAction([this] { delegate.updateButtonPushed(); });
    delegate.applicationWillFinishLaunching();
    view.show();
  }
  Texts Shown() const {
    Texts shown;
    for (const auto& [name, value] : view.Shown()) shown[name] = value;
    return shown;
  }
  Texts Cycle() {
    host.RunCycle();
    QApplication::processEvents();
    return Shown();
  }

  StatusWindow view;
  TestHost host{{"Printwatch", kSerial, "KV-71P Studio"}, kResources, &view};
  AppDelegate delegate{&host, &view};
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CheckAndMake_CacheFolder();
    window_.emplace();
  }
  void Write(const std::string& text) {
    ASSERT_TRUE(test::WriteFile(InformationFilePath(kSerial), text));
  }
  Texts Cycle() { return window_->Cycle(); }

  TestCacheDir dir_;
  QApplication* app_ = OffscreenApp();  // before the texts are installed
  Translations english_{kResources, QLocale(QLocale::English)};
  std::optional<Window> window_;
};

TEST_F(WindowTest, SetUpShowsTitlesAndEmptyLabelsAndStartsOneSecondTimer) {
  EXPECT_EQ("KV-71P Studio", window_->view.windowTitle().toStdString());
  EXPECT_EQ(1.0, window_->host.timerSeconds);
  EXPECT_EQ(Tr("mediaGroupTitle") + "[ --- ]",
            window_->view.findChild<QGroupBox*>("mediaInfoBox")->title().toStdString());
  EXPECT_EQ("", window_->view.findChild<QLabel*>("statusLabel")->text().toStdString());
  const QProgressBar* gauge = window_->view.findChild<QProgressBar*>("progressIndicator");
  ASSERT_NE(nullptr, gauge);
  EXPECT_EQ(0, gauge->minimum());
  EXPECT_EQ(100, gauge->maximum());
  EXPECT_EQ("Update", Tr("update")) << "English texts loaded";
}

// One cycle per row, each on a fresh window. "#" in a count text stands
// for the unit. (A printer as the service reports it, ready and out of
// paper: test_scenario; unplugged: the placeholder below.)
TEST_F(WindowTest, OneCycleTurnsTheFileIntoTexts) {
  const std::string T = Tr("mediaGroupTitle"), mediaLine = "\n" + Tr("ms_00108");
  const std::string hidden = Sheets("0 / 200  # ( 0  # :  8x6in)");
  const struct Row {
    const char* what;
    test::InfoValues file;
    Texts shown;
  } rows[] = {
      {"1 of 3 is 33; a system error shows the counts; class 1",
       {{kPrinterStatus, "02610"}, {kMediaSize, "00600"}, {kMediaInitial, "3"},
        {kMediaRemain, "1"}, {kMediaRemainHalf, "2"}, {kMediaClass, "1"}},
       {{"STATUS", Tr("st_02610")}, {"STATUS_ICON", "PrtStsSystemErr01"},
        {"MEDIA_COUNT", Sheets("1 / 3  # ( 2  # :  A5)")}, {"GAUGE", "33"},
        {"MEDIA_SIZE", Tr("size_00600")}, {"MEDIA_TITLE", T + "[ " + Tr("mediaDigital") + " ]"}}},
      {"ribbon end hides the remaining counts; no serial and firmware",
       {{kPrinterStatus, "01200"}, {kPrinterMessage, "00103"}, {kPrinterSerialNo, ""},
        {kPrinterVersion, ""}},
       {{"STATUS_ICON", "PrtStsRibbonEnd"}, {"MESSAGE", Tr("ms_00103")}, {"MEDIA_COUNT", hidden},
        {"GAUGE", "0"}, {"SERIAL_NO", "---"}, {"FIRM_VERSION", "---"},
        {"MEDIA_SIZE", Tr("size_00510")}}},
      {"offline hides them too", {{kPrinterStatus, "99999"}}, {{"MEDIA_COUNT", hidden}, {"GAUGE", "0"}}},
      {"empty status is offline; message 0 has no text",
       {{kPrinterStatus, ""}, {kPrinterMessage, "00000"}, {kMediaSize, "00400"}},
       {{"STATUS", Tr("st_99999")}, {"STATUS_ICON", "PrtStsOffline"}, {"MESSAGE", ""},
        {"MEDIA_SIZE", "---"}, {"MEDIA_COUNT", Sheets("--- / ---  #")}}},
      {"unknown size adds the media line",
       {{kMediaSize, "00400"}},
       {{"MEDIA_SIZE", "---"}, {"MESSAGE", Tr("ms_00001") + mediaLine},
        {"MEDIA_COUNT", Sheets("--- / ---  #")}, {"GAUGE", "0"}}},
      {"unknown message and size: the media line after an empty one",
       {{kPrinterMessage, "00109"}, {kMediaSize, "00400"}}, {{"MESSAGE", mediaLine}}},
      {"no initial quantity",
       {{kMediaInitial, "0"}},
       {{"MEDIA_COUNT", Sheets("--- / ---  # (---  # : 8x6in)")}, {"GAUGE", "0"}}},
      {"empty media size with quantities",
       {{kMediaSize, ""}},
       {{"MEDIA_SIZE", "---"}, {"MEDIA_COUNT", Sheets("0 / 200  #")}, {"GAUGE", "0"},
        {"MESSAGE", Tr("ms_00001") + mediaLine}}},
      {"empty media size and no initial quantity",
       {{kMediaSize, ""}, {kMediaInitial, "0"}}, {{"MEDIA_COUNT", Sheets("--- / ---  #")}}},
      {"empty quantities", {{kMediaRemain, ""}}, {{"MEDIA_COUNT", Sheets("--- / ---  #")}}},
      {"unknown class", {{kMediaClass, "7"}}, {{"MEDIA_TITLE", T + "[ --- ]"}}},
      {"unknown status at start: no text, offline icon",
       {{kPrinterStatus, "00700"}}, {{"STATUS", ""}, {"STATUS_ICON", "PrtStsOffline"}}},
      {"more remaining than initial fills the gauge",
       {{kMediaRemain, "00250"}},
       {{"GAUGE", "100"}, {"MEDIA_COUNT", Sheets("250 / 200  # ( 300  # :  8x6in)")}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    window_.emplace();
    const QSize size = window_->view.size();
    Write(InfoFile(row.file));
    const Texts shown = Cycle();
    for (const auto& [name, value] : row.shown) EXPECT_EQ(value, shown.at(name)) << name;
    EXPECT_EQ(size, window_->view.size()) << "the layout does not change with the texts";
  }
}

// Cycle after cycle: the total count is remembered until the printer is
// offline, and an unknown status keeps the last one, icon included.
TEST_F(WindowTest, RememberedTotalCountAndLastKnownStatus) {
  const struct {
    const char *status, *total, *shown, *icon;
  } cycles[] = {
      {"00000", "", "---", "PrtStsIdle"},        {"00000", "00012345", "12345", "PrtStsIdle"},
      {"00001", "", "12345", "PrtStsPrinting"},  {"00700", "", "12345", "PrtStsPrinting"},
      {"99999", "", "---", "PrtStsOffline"},     {"00000", "", "12345", "PrtStsIdle"},
      {"", "", "---", "PrtStsOffline"},          {"00000", "00000007", "7", "PrtStsIdle"},
  };
  for (const auto& c : cycles) {
    SCOPED_TRACE(std::string(c.status) + " / " + c.total);
    Write(InfoFile({{kPrinterStatus, c.status}, {kTotalCount, c.total}}));
    const Texts shown = Cycle();
    EXPECT_EQ(c.shown, shown.at("TOTAL_COUNT"));
    EXPECT_EQ(c.icon, shown.at("STATUS_ICON"));
  }
  // The icon shown is the resource image.
  const QImage idle = QImage(QString(kResources) + "/PrtStsIdle.png");
  ASSERT_FALSE(idle.isNull());
  EXPECT_EQ(idle.convertToFormat(QImage::Format_ARGB32),
            window_->view.findChild<QLabel*>("statusIconView")->pixmap().toImage().convertToFormat(
                QImage::Format_ARGB32));
}

// The placeholder of a printer that is gone shows the printer offline with
// nothing known of it; a file that is missing or cannot be read shows the
// same, whatever the cycle before showed.
TEST_F(WindowTest, MissingOrUnreadableFileShowsThePrinterOffline) {
  Write(test::PlaceholderFile());
  const Texts offline = Cycle();
  const Texts expected = {
      {"TITLE", "KV-71P Studio"}, {"STATUS", Tr("st_99999")}, {"STATUS_ICON", "PrtStsOffline"},
      {"MESSAGE", Tr("ms_00006")}, {"MEDIA_TITLE", Tr("mediaGroupTitle") + "[ --- ]"}, {"MEDIA_SIZE", "---"},
      {"MEDIA_COUNT", Sheets("--- / ---  #")}, {"GAUGE", "0"}, {"TOTAL_COUNT", "---"}, {"SERIAL_NO", "---"},
      {"FIRM_VERSION", "---"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(value, offline.at(name)) << name;
  const std::string path = InformationFilePath(kSerial), good = dir_ / "good";
  ASSERT_TRUE(test::WriteFile(good, InfoFile({{kPrinterStatus, "00001"}})));
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"missing", [] {}},
      {"not UTF-8", [&] { test::WriteFile(path, "PRINTER_STATUS=\"\xFF\"\n"); }},
      {"a FIFO", [&] { mkfifo(path.c_str(), 0666); }},
      {"a folder", [&] { mkdir(path.c_str(), 0777); }},
      {"a link to a good file", [&] { symlink(good.c_str(), path.c_str()); }},
      {"over 64 KiB", [&] { test::WriteFile(path, InfoFile({}) + std::string(65536, '#')); }},
  };
  for (const auto& [what, make] : cases) {
    SCOPED_TRACE(what);
    // A good cycle first, so every value has something to lose.
    Write(InfoFile({{kTotalCount, "00000042"}, {kPrinterStatus, "00001"}}));
    ASSERT_EQ("42", Cycle().at("TOTAL_COUNT"));
    std::filesystem::remove(path);
    make();
    EXPECT_EQ(offline, Cycle());
    std::filesystem::remove(path);
  }
}

TEST_F(WindowTest, HalfWrittenFileKeepsTheLastCompleteValues) {
  const std::string full = InfoFile({{kPrinterStatus, "00001"}, {kPrinterMessage, "00002"},
                                     {kTotalCount, "00012345"}, {kMediaRemain, "00050"}});
  Write(full);
  const Texts before = Cycle();
  for (size_t cut : {size_t(0), size_t(40), full.find(kMediaInitial) + 5}) {
    SCOPED_TRACE(cut);
    Write(full.substr(0, cut));
    EXPECT_EQ(before, Cycle());
  }
}

// The button leaves the refresh flag (making the cache folder again when
// it went missing) and changes nothing on screen.
TEST_F(WindowTest, RefreshButtonLeavesTheRefreshFlag) {
  std::string flag;
  ASSERT_TRUE(FlagFilePath(FlagFile::WindowTotalCount, kSerial, &flag));
  Write(InfoFile({}));
  const Texts before = Cycle();
  EXPECT_NE(0, access(flag.c_str(), F_OK));
  std::filesystem::remove_all(dir_ / "Korvale");
  window_->view.findChild<QPushButton*>("updateButton")->click();
  EXPECT_EQ(0, access(flag.c_str(), F_OK));
  EXPECT_EQ(before, window_->Shown());
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
