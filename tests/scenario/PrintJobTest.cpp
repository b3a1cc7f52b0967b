// A photo printed to the queue the service created, through the real CUPS
// scheduler: CUPS's own filters, rastertokv71p reading the media loaded in
// the printer from the per-job file, and the test backend keeping the
// stream, which decodes and comes out of the emulated printer as pictures.
#include <regex>

#include "ScenarioTest.h"

namespace kv71p::test {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(ScenarioTest, PhotoPrintedToTheServicesQueueComesOutOfTheEmulatedPrinter) {
  // 8 x 10 in media with an even number of half prints left: two 8 x 4 in
  // photos go on one print.
  const unsigned id = AttachPrinter({"media=0000500", "remainhalf=000000040"});
  ASSERT_NE(0u, id) << suite_.Output();
  const std::string photo = scratch_ / "photo.png";
  ASSERT_EQ(0, RunProcess({KV71P_TEST_PHOTO_PROGRAM, "png", "900", "450", photo}).exitStatus);

  ProcessOptions client;
  client.env = suite_.cups()->ClientEnvironment();
  const ProcessResult lp =
      RunProcess({"lp", "-d", kQueue, "-n", "2", "-o", "PageSize=207x105mm", photo}, client);
  ASSERT_EQ(0, lp.exitStatus) << lp.err;
  std::smatch match;
  ASSERT_TRUE(std::regex_search(lp.out, match, std::regex(std::string(kQueue) + "-([0-9]+)")))
      << lp.out;
  const std::string job = match[1];

  // The backend keeps the stream once the job is through.
  const std::string stream = suite_.cups()->backendOutputDir() + "/job-" + job + ".prn";
  ASSERT_TRUE(WaitFor([&] { return !ReadFile(stream).empty(); }, 90)) << suite_.cups()->errorLog();
  // The backend made the per-job file from the printer's information file.
  EXPECT_EQ(suite_.InfoFile(kFileSerial), ReadFile(suite_.cacheFolder() + "/Print_" + job + ".log"));

  // The stream is well formed and holds one print of both copies.
  const std::string decoded = scratch_ / "decoded";
  const ProcessResult listing = RunProcess({KV71P_DECODER_PROGRAM, "--png", decoded, stream});
  ASSERT_EQ(0, listing.exitStatus) << listing.out << listing.err;
  EXPECT_NE(std::string::npos, listing.out.find("well formed")) << listing.out;
  EXPECT_EQ(1u, Count(listing.out, "CNTRL  START")) << listing.out;
  EXPECT_EQ(1u, Count(listing.out, "IMAGE  YPLANE")) << listing.out;

  // The emulated printer renders it as the decoder does.
  const std::string printed = scratch_ / "printed";
  EXPECT_EQ("OK 1", suite_.emulator().Request("print " + std::to_string(id) + " " + stream + " " +
                                              printed));
  for (const char* plane : {"yellow", "magenta", "cyan", "preview"}) {
    const std::string fromPrinter =
        ReadFile(printed + "/printer" + std::to_string(id) + "-print1-" + plane + ".png");
    EXPECT_FALSE(fromPrinter.empty()) << plane;
    EXPECT_EQ(ReadFile(decoded + "/print01-" + plane + ".png"), fromPrinter) << plane;
  }
}

}  // namespace
}  // namespace kv71p::test
