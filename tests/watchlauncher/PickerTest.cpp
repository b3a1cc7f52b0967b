// The queue picker kv71p-status: its dialog (offscreen, with the built
// translations) and the program, which hands the chosen queue to the
// Watchlauncher next to it (a stand-in here).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTranslator>

#include "apps/watchlauncher/QueuePicker.h"
#include "tests/support/OffscreenApp.h"
#include "tests/watchlauncher/LauncherTestSupport.h"

namespace {

using namespace kv71p::test;
using kv71p::watchlauncher::Kv71pQueue;
using kv71p::watchlauncher::QueuePicker;

TEST(QueuePickerTest, ListsPrintersAndGivesTheChosenQueue) {
  OffscreenApp();
  QTranslator german;
  ASSERT_TRUE(german.load("kv71p-status_de", WATCHLAUNCHER_DIR));
  QCoreApplication::installTranslator(&german);
  {
    const std::vector<Kv71pQueue> queues = {
        {"KORVALE_SYSTEMS_KV_71P", "KORVALE_SYSTEMS_KV_71P", "A1"},
        {"KV_2", "Studio K\xc3\xa4ln", "B2"},
    };
    QueuePicker picker(queues);
    EXPECT_EQ("KV-71P Druckerstatus", picker.windowTitle().toStdString());
    EXPECT_EQ("\xc3\x96" "ffnen", picker.openButton()->text().toStdString());
    ASSERT_EQ(2, picker.list()->count());
    EXPECT_EQ("KORVALE_SYSTEMS_KV_71P", picker.list()->item(0)->text().toStdString())
        << "the queue name is not repeated";
    EXPECT_EQ("Studio K\xc3\xa4ln  (KV_2)", picker.list()->item(1)->text().toStdString());
    EXPECT_EQ("KORVALE_SYSTEMS_KV_71P", picker.ChosenQueue()) << "the first is chosen";

    picker.list()->setCurrentRow(1);
    picker.show();
    picker.openButton()->click();
    EXPECT_EQ(QDialog::Accepted, picker.result());
    EXPECT_EQ("KV_2", picker.ChosenQueue());

    picker.list()->setCurrentRow(-1);
    EXPECT_FALSE(picker.openButton()->isEnabled());
    EXPECT_EQ("", picker.ChosenQueue());
  }
  QCoreApplication::removeTranslator(&german);
}

class PickerProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(cupsd_.Start()) << cupsd_.errorLog();
    chmod(runtime_.path().c_str(), 0700);
    folder_ = dir_ / "launcher";
    records_ = dir_ / "records";
    ASSERT_TRUE(CopyProgram(PICKER_BINARY, folder_ + "/kv71p-status"));
    ASSERT_TRUE(WriteStandIn(folder_ + "/Watchlauncher", records_));
  }
  ProcessResult RunPicker(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {folder_ + "/kv71p-status"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunClient(cupsd_, dir_ / "cache", argv,
                     {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime_.path()});
  }
  std::vector<StandInRun> Started() { return TakeStandInRuns(children_, "Watchlauncher", records_); }

  AdoptedChildren children_;
  TestTempDir dir_, runtime_;
  PrivateCupsd cupsd_;
  std::string folder_, records_;
};

TEST_F(PickerProgramTest, OneKv71pQueueOpensWithoutAsking) {
  ASSERT_EQ(0, cupsd_.Lpadmin({"-p", "Office", "-E", "-v", "file:///dev/null"}).exitStatus);
  ASSERT_EQ(0, cupsd_.Lpadmin({"-p", "KV_A", "-E", "-v", std::string(kQueueUri) + "A1"}).exitStatus);
  ProcessResult r = RunPicker({});
  EXPECT_EQ(0, r.exitStatus) << r.err;
  std::vector<StandInRun> runs = Started();
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ(std::vector<std::string>{"KV_A"}, runs[0].args);

  // A queue named on the command line goes straight to the launcher.
  r = RunPicker({"-platform"});
  EXPECT_EQ(0, r.exitStatus) << r.err;
  runs = Started();
  ASSERT_EQ(1u, runs.size());
  EXPECT_EQ(std::vector<std::string>{"-platform"}, runs[0].args) << "not taken for a Qt option";
}

}  // namespace
