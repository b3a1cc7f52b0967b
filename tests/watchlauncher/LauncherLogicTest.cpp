// The launcher's decisions without processes: the printer name from the
// printer list, and the queues the picker offers in its dialog (offscreen,
// with the built German texts). (Which device URIs name a printer of ours:
// test_common.)
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTranslator>

#include <string>
#include <vector>

#include "apps/watchlauncher/Kv71pQueues.h"
#include "apps/watchlauncher/PrinterName.h"
#include "apps/watchlauncher/QueuePicker.h"
#include "common/DeviceUri.h"
#include "tests/support/OffscreenApp.h"

namespace {

using namespace kv71p;
using namespace kv71p::watchlauncher;

const std::string kUri = kDeviceUriPrefix;

CupsDestination Printer(const std::string& id, const std::string& name, const std::string& uri,
                        bool hasUri = true, bool instance = false) {
  return CupsDestination{id, name, uri, hasUri, instance};
}

// (The last of several printers winning, and a URI too long to compare, in
// a real printer list: LauncherProcessTest.)
TEST(PrinterNameTest, ExactUriAndUsableNamesOnly) {
  const std::string uri = DeviceUriOf("A1B2C3");
  const std::string fitUri = kUri + std::string(254 - kUri.size(), 'S');  // 254 bytes
  const struct {
    std::vector<CupsDestination> printers;
    std::string uri;
    const char* name;  // null: none found
  } cases[] = {
      {{Printer("Q", "Studio", uri + " "), Printer("R", "r", DeviceUriOf("a1b2c3"))}, uri, nullptr},
      {{Printer("Q", "Fits", fitUri)}, fitUri, "Fits"},
      {{Printer("Q1", "Short", uri), Printer("Q2", std::string(255, 'n'), uri)}, uri, "Short"},
      {{Printer("Q", "Bad\xff", uri), Printer("R", "NoUri", uri, false)}, uri, nullptr},
  };
  for (const auto& c : cases) {
    std::string name = "unchanged";
    EXPECT_EQ(c.name != nullptr, PrinterNameForDeviceUri(c.printers, c.uri, &name)) << c.uri;
    EXPECT_EQ(c.name ? c.name : "unchanged", name) << c.uri;
  }
}

// The picker offers the queues of our printers, without lpoptions
// instances, one line each, the queue name behind a shown name that
// differs; the first is chosen.
TEST(QueuePickerTest, OffersOurQueuesAndGivesTheChosenOne) {
  OffscreenApp();
  QTranslator german;
  ASSERT_TRUE(german.load("kv71p-status_de", WATCHLAUNCHER_DIR));
  QCoreApplication::installTranslator(&german);
  {
    const std::vector<Kv71pQueue> queues = Kv71pQueues({
        Printer(kQueueBaseName, kQueueBaseName, DeviceUriOf("A1")),
        Printer(kQueueBaseName, kQueueBaseName, DeviceUriOf("A1"), true, true),
        Printer("Office", "Office laser", "ipp://office/ipp/print"),
        Printer("Broken", "Broken", kUri),
        Printer("NoUri", "NoUri", "", false),
        Printer("KV_2", "Studio K\xc3\xa4ln", DeviceUriOf("B%202")),
    });
    ASSERT_EQ(2u, queues.size());
    EXPECT_EQ("A1", queues[0].serialNo);
    EXPECT_EQ("B%202", queues[1].serialNo);
    QueuePicker picker(queues);
    EXPECT_EQ("KV-71P Druckerstatus", picker.windowTitle().toStdString());
    EXPECT_EQ("\xc3\x96" "ffnen", picker.openButton()->text().toStdString());
    ASSERT_EQ(2, picker.list()->count());
    EXPECT_EQ(kQueueBaseName, picker.list()->item(0)->text().toStdString());
    EXPECT_EQ("Studio K\xc3\xa4ln  (KV_2)", picker.list()->item(1)->text().toStdString());
    EXPECT_EQ(kQueueBaseName, picker.ChosenQueue());

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

}  // namespace
