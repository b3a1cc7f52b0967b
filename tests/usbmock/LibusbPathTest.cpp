// The libusb path (LibusbBus and everything above it) against printers of
// the emulator plugged into a umockdev test bed, compared with the
// emulated bus on the same kind of printer: the status service's
// information file; what the USB layer reports when the printer is held by
// another, stalls, stays silent or leaves; printers coming and going while
// the service runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "common/CommandCatalogue.h"
#include "common/DeviceUri.h"
#include "common/Kv71pConfig.h"
#include "platform/usb/EmulatorConnection.h"
#include "service/DeviceId.h"
#include "service/StatusQueries.h"
#include "tests/backend/SmallPrints.h"
#include "tests/support/TestTempDir.h"
#include "tests/usbmock/UsbMockBed.h"

namespace kv71p::test {
namespace {

using LibusbPath = UsbMockTest;

// A printer found at start, then one plugged in while the service runs
// (libusb hears of it through umockdev's uevents, as from udev) and
// unplugged: the service writes the files it writes on the emulated bus.
TEST_F(LibusbPath, ServiceWritesItsFilesAndFollowsHotPlug) {
  const unsigned id = h_.emulator().Attach({"serial=AB 12", "interfaces=2", "firmware=2.07", "remain=000000042",
                                            "deviceid=MFG:Korvale;CMD:VEX;MDL:KV-71P U;CLS:PRINTER;"});
  ASSERT_TRUE(bed_.Plug(h_.emulator(), id));
  ASSERT_TRUE(h_.StartService(UsbMockBed::LibusbEnvironment()));
  EXPECT_TRUE(h_.WaitForInfoFile("AB%2012", DefaultInformationFile("AB%2012", "KV-71P U", {{"PRINTER_VERSION", "2.07"},
                                                                                        {"MEDIA_REMAIN", "00042"}})))
      << h_.Output();
  const unsigned later = h_.emulator().Attach({"serial=LATER"});
  ASSERT_TRUE(bed_.Plug(h_.emulator(), later));
  EXPECT_TRUE(h_.WaitForInfoFile("LATER", DefaultInformationFile("LATER"))) << h_.Output();
  ASSERT_TRUE(bed_.Unplug(later));
  EXPECT_TRUE(h_.WaitForInfoFile("LATER", PlaceholderFile())) << h_.Output();
}

// What the USB layer and the transport report on one bus, step by step.
std::vector<std::string> Outcomes(OpenedPrinter& p, EmulatorProcess& emulator, unsigned id,
                                  const std::function<bool()>& unplug) {
  std::vector<std::string> seen;
  auto note = [&seen](const char* step, const std::string& outcome) {
    seen.push_back(std::string(step) + ": " + outcome);
  };
  auto usb = [&note](const char* step, int result) { note(step, UsbResultName(result)); };
  UsbInterface* itf = p.first();
  EmulatorConnection job;  // another holder: a print job, say
  std::string reply;
  job.Connect(emulator.socketPath());
  job.Request("open " + std::to_string(id), &reply);
  job.Request("claim 0", &reply);
  usb("claimed by another holder", itf->OpenSeize());
  job.Request("close", &reply);
  usb("claim after it let go", itf->OpenSeize());

  std::string deviceId;
  service::ReadDeviceIdText(itf, 1, 0, &deviceId);
  note("device ID", deviceId);
  unsigned char bytes[512];
  int n = -1;
  usb("other control request", itf->ControlRequest(0xA1, 1, 0, 0, bytes, 8, &n, 5000));
  note("status", std::to_string(service::GetStatus(itf)));

  // A plane as a print sends it: in chunks, the whole block at the printer.
  const std::string plane(140000 - 32, 'p');
  DeviceCmd block;
  block.MakeCmd(kCmdImage, kParamYPlane, static_cast<int>(plane.size()), plane.data());
  emulator.ClearLog(id);
  note("plane written", std::to_string(service::WriteInChunks(itf, &block)));
  for (const std::string& transfer : emulator.Transfers(id)) note("plane transfer", transfer);
  for (const std::string& length : emulator.LoggedBlocks(id, 4)) note("block received", length);

  // An answer shorter than its header says: the payload read gets what came.
  emulator.Set(id, {"frame.FVER=00000010abc"});
  DeviceCmd query;
  MakeQueryCmd(query, kCmdInfo, kParamFirmVersion);
  service::WriteInChunks(itf, &query);
  usb("short answer: header read", itf->BulkRead(kUsbPipeIn, bytes, 8, &n, 300));
  usb("short answer: payload read", itf->BulkRead(kUsbPipeIn, bytes, 10, &n, 300));
  note("short answer: payload", std::string(reinterpret_cast<char*>(bytes), std::max(n, 0)));

  emulator.Set(id, {"silent=all"});
  note("silent: status", std::to_string(service::GetStatus(itf, {500, 300})));
  usb("silent: bulk IN", itf->BulkRead(kUsbPipeIn, bytes, 8, &n, 200));
  note("silent: bytes read", std::to_string(n));

  unplug();
  usb("unplugged: bulk OUT", itf->BulkWrite(kUsbPipeOut, bytes, 32, &n, 1000));
  note("unplugged: status", std::to_string(service::GetStatus(itf)));
  std::vector<UsbEvent> events;
  WaitFor([&] { return p.bus->WaitForEvents(100, &events) == kUsbSuccess && !events.empty(); }, 10);
  note("unplugged: bus reports",
       events.empty() || events[0].kind != UsbEventKind::Left ? "nothing" : "left");
  usb("unplugged: interface closed", itf->Close());
  usb("unplugged: device closed", p.device->Close());
  usb("unplugged: device opened", p.device->OpenSeize());
  return seen;
}

TEST_F(LibusbPath, UsbLayerReportsWhatTheEmulatedBusReports) {
  const unsigned emulated = h_.emulator().Attach({"status=1000"});
  auto onEmulatedBus = OpenPrinter(CreateEmulatedBus(h_.emulator().socketPath()), 0, true);
  ASSERT_TRUE(onEmulatedBus);
  const auto expected = Outcomes(*onEmulatedBus, h_.emulator(), emulated,
                                 [&] { return h_.emulator().Detach(emulated); });

  const unsigned plugged = h_.emulator().Attach({"status=1000"});
  ASSERT_TRUE(bed_.Plug(h_.emulator(), plugged));
  auto onLibusb = OpenPrinter(CreateLibusbBus(), 0, true);
  ASSERT_TRUE(onLibusb);
  EXPECT_EQ(expected, Outcomes(*onLibusb, h_.emulator(), plugged, [&] { return bed_.Unplug(plugged); }));

  // Every step ran (what each outcome must be on the emulated bus: the
  // USB layer's and the transport's tests, test_service_usb).
  EXPECT_EQ(23u, expected.size());
}

// The backend on libusb: it lists the printer the test bed presents, and a
// job's prints arrive at the printer block for block and come out once,
// drawn as the decoder draws the stream.
TEST_F(LibusbPath, BackendListsThePrinterAndItsPrintsArriveWhole) {
  TestTempDir dir;
  const std::string rendered = dir / "printed", stream = dir / "stream";
  const unsigned id = h_.emulator().Attach({"serial=AB 12", "print-ms=0", "output=" + rendered});
  ASSERT_TRUE(bed_.Plug(h_.emulator(), id));
  std::vector<std::string> env = UsbMockBed::LibusbEnvironment();
  for (const std::string& e : {"KV71P_CACHE_DIR=" + (dir / "cache/KV-71P"),
                               "KV71P_LOCK_DIR=" + (dir / "locks"),
                               "DEVICE_URI=" + DeviceUriOf("AB%2012")})
    env.push_back(e);

  const ProcessResult listing = RunProcess({KV71P_BACKEND_PROGRAM}, {env, "", "", 30});
  EXPECT_EQ(0, listing.exitStatus);
  EXPECT_EQ("direct " + DeviceUriOf("AB%2012") +
                " \"KORVALE SYSTEMS KV-71P\" \"KORVALE SYSTEMS KV-71P (AB%2012)\" "
                "\"MFG:Korvale;CMD:VEX;MDL:KV-71P;CLS:PRINTER;DES:Korvale KV-71P;\" \"\"\n",
            listing.out);

  ASSERT_TRUE(WriteFile(stream, SmallPrints(2)) && h_.emulator().ClearLog(id));
  const ProcessResult job =
      RunProcess({KV71P_BACKEND_PROGRAM, "7", "user", "title", "1", "", stream}, {env, "", "", 60});
  EXPECT_EQ(0, job.exitStatus) << job.err;
  EXPECT_EQ("OK started:half printed:half started:half printed:half",
            h_.emulator().Prints(id));
  std::vector<std::string> received;
  for (const std::string& header : h_.emulator().LoggedHeaders(id))
    if (header.compare(2, 6, "CNTRL ") == 0 || header.compare(2, 6, "IMAGE ") == 0)
      received.push_back(header);
  std::vector<std::string> sent;
  for (int print = 0; print < 2; ++print)
    for (const std::string& block : SmallPrintBlocks()) sent.push_back(block.substr(0, 32));
  EXPECT_EQ(sent, received);
  ASSERT_EQ(0, RunProcess({KV71P_DECODER_PROGRAM, "--png", dir / "decoded", stream}).exitStatus);
  const std::pair<const char*, const char*> pictures[] = {
      {"print01-yellow", "print1-yellow"}, {"print02-cyan", "print2-cyan"},
      {"print02-preview", "print2-preview"}};
  for (const auto& [decoded, drawn] : pictures) {
    const std::string printed = rendered + "/printer" + std::to_string(id) + "-" + drawn + ".png";
    EXPECT_TRUE(WaitFor([&] { return !ReadFile(printed).empty(); }, 10)) << printed;
    EXPECT_EQ(ReadFile(dir / ("decoded/" + std::string(decoded) + ".png")), ReadFile(printed));
  }
}

}  // namespace
}  // namespace kv71p::test
