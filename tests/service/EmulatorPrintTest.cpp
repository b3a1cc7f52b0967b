// The emulated printer as the printer of the demo: a print stream, from a
// file or over the bus, rendered to PNG files.
#include <gtest/gtest.h>

#include <algorithm>

#include "EmulatorProcess.h"
#include "UsbTransport.h"

namespace {

using kv71p::test::EmulatorProcess;
using kv71p::test::ReadFile;

const char kPng[] = "\x89PNG\r\n\x1a\n";

std::string DemoStream(const std::string& folder) {
  const std::string path = folder + "/stream.kv71p";
  const auto r = kv71p::test::RunProcess({KV71P_DEMO_STREAM_PROGRAM, path});
  return r.exitStatus == 0 ? path : "";
}

bool IsPng(const std::string& path) { return ReadFile(path).compare(0, 8, kPng) == 0; }

TEST(EmulatorPrintTest, RendersEveryPrintOfAStreamFile) {
  EmulatorProcess emulator;
  ASSERT_TRUE(emulator.Start());
  const unsigned id = emulator.Attach();
  const std::string stream = DemoStream(emulator.folder());
  ASSERT_FALSE(stream.empty());
  const std::string out = emulator.folder() + "/out";
  EXPECT_EQ("OK 2", emulator.Request("print " + std::to_string(id) + " " + stream + " " + out));
  for (const char* print : {"print1", "print2"})
    for (const char* what : {"yellow", "magenta", "cyan", "preview"})
      EXPECT_TRUE(IsPng(out + "/printer1-" + print + "-" + what + ".png")) << print << what;

  kv71p::test::WriteFile(emulator.folder() + "/bad", "\x1bPNONSENSE");
  EXPECT_EQ(0u, emulator.Request("print 1 " + emulator.folder() + "/bad " + out)
                    .find("ERR invalid-param \"malformed stream at byte 2"));
  EXPECT_EQ(0u, emulator.Request("print 1 /nonexistent " + out).find("ERR not-found"));
}

TEST(EmulatorPrintTest, RendersPrintsReceivedOverTheBus) {
  EmulatorProcess emulator;
  ASSERT_TRUE(emulator.Start());
  const std::string out = emulator.folder() + "/bus";
  const unsigned id = emulator.Attach({"output=" + out});
  const std::string stream = ReadFile(DemoStream(emulator.folder()));
  ASSERT_FALSE(stream.empty());
  auto printer = kv71p::test::OpenPrinter(emulator.socketPath(), id);
  ASSERT_TRUE(printer);
  EXPECT_EQ(0, deviceWrite(printer->first(), reinterpret_cast<const unsigned char*>(stream.data()),
                           static_cast<int>(stream.size()), 10000));
  EXPECT_TRUE(kv71p::test::WaitFor([&] { return IsPng(out + "/printer1-print2-preview.png"); }, 10));
  EXPECT_TRUE(IsPng(out + "/printer1-print1-yellow.png"));
  // The log holds the print's blocks: the data of the plane blocks is not kept whole.
  const std::vector<std::string> titles = emulator.LoggedTitles(id);
  EXPECT_EQ(2, std::count(titles.begin(), titles.end(), "CNTRL START"));
  EXPECT_EQ(2, std::count(titles.begin(), titles.end(), "IMAGE YPLANE"));
}

}  // namespace
