// The launcher's decisions without processes: which device URIs name a
// printer of ours and their serial numbers, the printer name from the
// printer list, and the queues the picker offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DeviceUri.h"
#include "apps/watchlauncher/Kv71pQueues.h"
#include "apps/watchlauncher/PrinterName.h"

using namespace kv71p;

namespace {

using kv71p::CupsDestination;
using namespace kv71p::watchlauncher;

const std::string kUri = "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=";

TEST(DeviceUriTest, SerialNumberIsTheRestAfterTheFirstSerialKey) {
  struct Case {
    std::string uri;
    bool ok;
    std::string serial;
  } cases[] = {
      {kUri + "A1B2C3", true, "A1B2C3"},
      {kUri + "SN%2012", true, "SN%2012"},
      {kUri + "A?serial=B", true, "A?serial=B"},  // the first key counts
      {"serial=X vexbackend KORVALE KV-71P", true, "X vexbackend KORVALE KV-71P"},
      {kUri + "K\xc3\xa4" "1", true, "K\xc3\xa4" "1"},
      {kUri, false, ""},                                              // nothing after the key
      {"vexbackend://SYSTEMS/KV-71P?serial=A1", false, ""},           // no maker
      {"vexbackend://korvale/KV-71P?serial=A1", false, ""},           // exact case
      {"vexbackend://KORVALE/KV-72P?serial=A1", false, ""},           // other model
      {"usb://KORVALE/KV-71P?serial=A1", false, ""},                  // other scheme
      {"vexbackend://KORVALE/KV-71P?Serial=A1", false, ""},
      {"vexbackend://KORVALE/KV-71P", false, ""},
      {kUri + "../../etc/x", false, ""},                              // leaves the cache folder
      {kUri + "A/B", false, ""},
      {kUri + "..", false, ""},
      {kUri + "A\nB", false, ""},
      {kUri + "A\x7f", false, ""},
      {kUri + "A\xc3", false, ""},                                    // broken UTF-8
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string serial = "unchanged";
    EXPECT_EQ(c.ok, SerialNumberOfDeviceUri(c.uri, &serial)) << c.uri;
    EXPECT_EQ(c.ok ? c.serial : "unchanged", serial) << c.uri;
  }
}

CupsDestination Printer(const std::string& id, const std::string& name, const std::string& uri,
                        bool hasUri = true, bool instance = false) {
  CupsDestination d;
  d.id = id;
  d.name = name;
  d.deviceUri = uri;
  d.hasDeviceUri = hasUri;
  d.isInstance = instance;
  return d;
}

// (The last match winning, and a URI too long to compare: LauncherProcessTest.)
TEST(PrinterNameTest, ExactUriAndUsableNamesOnly) {
  const std::string uri = kUri + "A1B2C3";
  const std::string fitUri = kUri + std::string(254 - kUri.size(), 'S');  // 254 bytes
  const struct {
    std::vector<CupsDestination> printers;
    std::string uri;
    const char* name;  // null: none found
  } cases[] = {
      {{Printer("Q", "Studio", uri + " "), Printer("R", "r", kUri + "a1b2c3")}, uri, nullptr},
      {{Printer("Q", "Fits", fitUri)}, fitUri, "Fits"},
      {{Printer("Q1", "Short", uri), Printer("Q2", std::string(255, 'n'), uri)}, uri, "Short"},
      {{Printer("Q", "Bad\xff", uri)}, uri, nullptr},  // broken UTF-8 is passed over
  };
  for (const auto& c : cases) {
    std::string name = "unchanged";
    EXPECT_EQ(c.name != nullptr, PrinterNameForDeviceUri(c.printers, c.uri, &name)) << c.uri;
    EXPECT_EQ(c.name ? c.name : "unchanged", name) << c.uri;
  }
}

TEST(Kv71pQueuesTest, PickerOffersQueuesOfOurPrintersWithoutInstances) {
  const std::vector<CupsDestination> destinations = {
      Printer("KORVALE_SYSTEMS_KV_71P", "KORVALE SYSTEMS KV-71P", kUri + "A1"),
      Printer("KORVALE_SYSTEMS_KV_71P", "KORVALE SYSTEMS KV-71P", kUri + "A1", true, true),
      Printer("Office", "Office laser", "ipp://office/ipp/print"),
      Printer("Broken", "Broken", kUri),
      Printer("NoUri", "NoUri", "", false),
      Printer("KORVALE_SYSTEMS_KV_71P_2", "KORVALE SYSTEMS KV-71P 2", kUri + "B%202"),
  };
  const std::vector<Kv71pQueue> queues = Kv71pQueues(destinations);
  ASSERT_EQ(2u, queues.size());
  EXPECT_EQ("KORVALE_SYSTEMS_KV_71P", queues[0].queue);
  EXPECT_EQ("KORVALE SYSTEMS KV-71P", queues[0].name);
  EXPECT_EQ("A1", queues[0].serialNo);
  EXPECT_EQ("KORVALE_SYSTEMS_KV_71P_2", queues[1].queue);
  EXPECT_EQ("B%202", queues[1].serialNo);
}

}  // namespace
