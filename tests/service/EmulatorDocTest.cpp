// Written only from docs/emulator-protocol.md, with plain sockets: what
// the document promises a client of the emulator.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

// One connection to the emulator's socket, a line per request and reply.
class Client {
 public:
  explicit Client(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    ok_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~Client() { close(fd_); }
  bool ok() const { return ok_; }
  std::string Line() {
    std::string line;
    for (char c; recv(fd_, &c, 1, 0) == 1 && c != '\n';) line += c;
    return line;
  }
  std::string Ask(const std::string& request) {
    send(fd_, (request + "\n").data(), request.size() + 1, MSG_NOSIGNAL);
    return Line();
  }

 private:
  int fd_;
  bool ok_ = false;
};

std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
  return out;
}

TEST(EmulatorDocTest, ASessionAsTheDocumentDescribesIt) {
  TestTempDir dir;
  const std::string path = dir / "kv.sock";
  kv71p::test::BackgroundProcess emulator;
  ASSERT_TRUE(emulator.Start({KV71P_EMULATOR_PROGRAM, "--socket", path}, {}));
  ASSERT_TRUE(kv71p::test::WaitFor([&] { return Client(path).ok(); }, 10));

  Client control(path);
  EXPECT_EQ("OK", control.Ask("ping"));
  EXPECT_EQ("OK 1", control.Ask("attach serial=\"AB 12\" status=1000 firmware=1.23"));
  EXPECT_EQ("OK 2", control.Ask("attach vendor=0x1234"));
  EXPECT_EQ("OK 1 2", control.Ask("list"));
  EXPECT_EQ(0u, control.Ask("attach colour=red").find("ERR invalid-param"));

  // A watcher for the default vendor and product: 65535 and 11.
  Client watcher(path);
  EXPECT_EQ("OK", watcher.Ask("watch 65535 11"));
  EXPECT_EQ("ARRIVED 1", watcher.Line());

  Client holder(path);
  EXPECT_EQ("OK", holder.Ask("open 1"));
  EXPECT_EQ("OK 1 0 0 1 7 1 2 2 1 2 512 130 2 512", holder.Ask("interfaces"));
  EXPECT_EQ("ERR access \"interface not claimed\"", holder.Ask("bulkin 0 130 8 10"));
  EXPECT_EQ("OK", holder.Ask("claim 0"));
  Client other(path);
  EXPECT_EQ("OK", other.Ask("open 1"));
  EXPECT_EQ(0u, other.Ask("claim 0").find("ERR busy"));

  // The firmware query: ESC P, "INFO" padded to 6, "FVER" padded to 16, 8 blanks.
  const std::string query = std::string("\x1bPINFO  FVER") + std::string(12, ' ') + std::string(8, ' ');
  ASSERT_EQ(32u, query.size());
  EXPECT_EQ("OK 32", holder.Ask("bulkout 0 1 1000 " + Hex(query)));
  EXPECT_EQ("OK " + Hex("00000005"), holder.Ask("bulkin 0 130 8 1000"));
  EXPECT_EQ("OK " + Hex("1.23\r"), holder.Ask("bulkin 0 130 100 1000"));
  EXPECT_EQ("TIMEOUT", holder.Ask("bulkin 0 130 8 50"));

  // The status as %07d and a carriage return; a whole frame set by hand.
  const std::string status = std::string("\x1bPSTATUS") + std::string(24, ' ');
  EXPECT_EQ("OK 32", holder.Ask("bulkout 0 1 1000 " + Hex(status)));
  EXPECT_EQ("OK " + Hex("000000080001000\r"), holder.Ask("bulkin 0 130 64 1000"));
  EXPECT_EQ("OK", control.Ask("set 1 \"frame.STATUS=0000000A\\x00\""));
  EXPECT_EQ("OK 32", holder.Ask("bulkout 0 1 1000 " + Hex(status)));
  EXPECT_EQ("OK " + Hex(std::string("0000000A\0", 9)), holder.Ask("bulkin 0 130 64 1000"));

  // Device ID: big-endian length (text + 2), then the text, cut to the length asked for.
  EXPECT_EQ("OK", control.Ask("set 1 deviceid=MDL:X;"));
  EXPECT_EQ("OK " + Hex(std::string("\x00\x08MDL:X;", 8)), holder.Ask("control 0 161 0 0 0 256 5000"));
  EXPECT_EQ("OK " + Hex(std::string("\x00\x08MD", 4)), holder.Ask("control 0 161 0 0 0 4 5000"));
  EXPECT_EQ(0u, holder.Ask("control 0 161 6 0 0 4 5000").find("ERR pipe"));

  // Junk and the log.
  EXPECT_EQ("OK 3", holder.Ask("bulkout 0 1 1000 414243"));
  EXPECT_EQ("OK 4", control.Ask("log 1"));
  EXPECT_EQ("BLOCK 1 0 " + Hex(query) + " 0 - \"INFO FVER\"", control.Line());
  EXPECT_EQ("BLOCK 2 0 " + Hex(status) + " 0 - STATUS", control.Line());
  EXPECT_EQ("BLOCK 3 0 " + Hex(status) + " 0 - STATUS", control.Line());
  EXPECT_EQ("JUNK 4 0 3 414243", control.Line());
  EXPECT_EQ("OK out:32 in:8 in:5 out:32 in:16 out:32 in:9 out:3", control.Ask("transfers 1"));

  // Unplugging: the watcher hears it, the holder's transfers fail.
  EXPECT_EQ("OK", control.Ask("set 1 unplug-on=MQTY"));
  const std::string mqty = std::string("\x1bPINFO  MQTY") + std::string(12, ' ') + std::string(8, ' ');
  EXPECT_EQ("OK 32", holder.Ask("bulkout 0 1 1000 " + Hex(mqty)));
  EXPECT_EQ("LEFT 1", watcher.Line());
  EXPECT_EQ("ERR no-device", holder.Ask("bulkin 0 130 8 1000"));
  EXPECT_EQ("OK 2", control.Ask("list"));
  EXPECT_EQ(0u, control.Ask("get 1").find("OK vendor=65535 product=11 interfaces=1 status=1000 serial=\"AB 12\""));

  EXPECT_EQ("OK", control.Ask("shutdown"));
  EXPECT_TRUE(kv71p::test::WaitFor([&] { return !emulator.Running(); }, 10));
  EXPECT_EQ(0, emulator.exitStatus());
  EXPECT_FALSE(Client(path).ok());
}

}  // namespace
