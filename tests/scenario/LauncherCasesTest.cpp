// The launcher's decisions among the queues of a running service: queues
// that are not a KV-71P printer's, two destinations of one name, and the
// flag of a window that did not end normally.
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "ScenarioTest.h"

namespace kv71p::test {
namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

TEST_F(ScenarioTest, LauncherOpensNothingForQueuesWithoutSerialOrMaker) {
  ASSERT_NE(0u, AttachPrinter()) << suite_.Output();
  // Queues next to the service's, with the project's PPD.
  ASSERT_TRUE(suite_.AddQueue("KV71P_NO_SERIAL", QueueUri("")));
  ASSERT_TRUE(suite_.AddQueue("KV71P_NO_MAKER", "vexbackend://SYSTEMS/KV-71P?serial=" +
                                                    std::string(kFileSerial)));
  for (const char* queue : {"KV71P_NO_SERIAL", "KV71P_NO_MAKER"}) {
    const ProcessResult launch = Launch(queue);
    EXPECT_EQ(1, launch.exitStatus) << queue;
    EXPECT_EQ("", launch.out + launch.err) << queue;
    EXPECT_TRUE(Windows().empty()) << queue;
  }
  EXPECT_FALSE(Exists(CachePath("_UTIL")));

  // The service's queue next to them opens its window.
  EXPECT_EQ(0, Launch(kQueue).exitStatus);
  EXPECT_EQ(1u, Windows().size());
}

TEST_F(ScenarioTest, LauncherTakesTheFirstOfTwoDestinationsOfTheQueuesName) {
  ASSERT_NE(0u, AttachPrinter()) << suite_.Output();
  // A user's instance of the queue is a second destination of the same
  // name; here it names another printer.
  const std::string home = suite_.cups()->home();
  std::filesystem::create_directories(home + "/.cups");
  ASSERT_TRUE(WriteFile(home + "/.cups/lpoptions", std::string("Dest ") + kQueue +
                                                       "/studio device-uri=" +
                                                       QueueUri("OTHER") + "\n"));

  const ProcessResult launch = Launch(kQueue);
  ASSERT_EQ(0, launch.exitStatus) << launch.err;
  const std::vector<pid_t> windows = Windows();
  ASSERT_EQ(1u, windows.size());
  EXPECT_EQ((std::vector<std::string>{kFileSerial, kPrinterName}), ArgumentsOf(windows[0]));
  EXPECT_FALSE(WaitForShown("SERIAL_NO", kSerial).empty());
}

TEST_F(ScenarioTest, FlagOfAWindowThatDidNotEndKeepsTheWindowShutUntilRemoved) {
  ASSERT_NE(0u, AttachPrinter()) << suite_.Output();
  ASSERT_EQ(0, Launch(kQueue).exitStatus);
  std::vector<pid_t> windows = Windows();
  ASSERT_EQ(1u, windows.size());
  ASSERT_TRUE(WaitFor([&] { return Exists(CachePath("_UTIL")); }, 20));

  // Killed, the window cannot remove its flag.
  WaitForChild(windows[0], SIGKILL, 10);
  ASSERT_TRUE(Exists(CachePath("_UTIL")));
  ProcessResult launch = Launch(kQueue);
  EXPECT_EQ(0, launch.exitStatus) << launch.err;
  EXPECT_TRUE(Windows().empty());
  EXPECT_TRUE(Exists(CachePath("_UTIL"))) << "the launcher never removes the flag";

  // Once the flag is gone the window opens again, and ends normally.
  ASSERT_EQ(0, unlink(CachePath("_UTIL").c_str()));
  launch = Launch(kQueue);
  EXPECT_EQ(0, launch.exitStatus) << launch.err;
  windows = Windows();
  ASSERT_EQ(1u, windows.size());
  ASSERT_TRUE(WaitFor([&] { return Exists(CachePath("_UTIL")); }, 20));
  EXPECT_EQ(0, CloseWindow(windows[0]));
  EXPECT_FALSE(Exists(CachePath("_UTIL")));
}

}  // namespace
}  // namespace kv71p::test
