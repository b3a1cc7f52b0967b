// Written from docs/emulator-protocol.md: what the document promises a
// client of the emulator, every request and reply as the document spells
// it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/usb/EmulatorConnection.h"
#include "tests/common/HandMadeBlocks.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace {

// One connection to the emulator's socket (through the suite's client of
// the protocol, which only frames the lines), a line per request and reply.
struct Client : kv71p::EmulatorConnection {
  explicit Client(const std::string& path) : ok(Connect(path) == 0) {}
  std::string Line() {
    std::string line;
    return ReadLine(&line, 10000) == 1 ? line : "";
  }
  std::string Ask(const std::string& request) { return SendLine(request) ? Line() : ""; }
  // A bulk OUT on interface 0 with its bytes raw behind the line; then
  // `next` when given. The reply to the bulk OUT.
  std::string Raw(const std::string& next, const std::string& bytes) {
    SendLine("bulkout-raw 0 1 1000 " + std::to_string(bytes.size()), bytes.data(), bytes.size());
    const std::string reply = Line();
    if (!next.empty()) Ask(next);
    return reply;
  }
  const bool ok;
};

std::string Hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
  return out;
}

using handmade::Block;

const std::string kMultiCut408 = Block("IMAGE", "MULTICUT", "00000408"), kStart = Block("CNTRL", "START");

// The value of one name=value word of a "get" reply.
std::string Field(const std::string& reply, const std::string& name) {
  const size_t at = reply.find(" " + name + "=");
  if (at == std::string::npos) return "(none)";
  const size_t start = at + name.size() + 2;
  return reply.substr(start, reply.find(' ', start) - start);
}

// The emulator running on a socket in a temporary folder, and a control
// connection to it.
class EmulatorDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(process_.Start({KV71P_EMULATOR_PROGRAM, "--socket", path_}, {}));
    ASSERT_TRUE(kv71p::test::WaitFor([&] { return Client(path_).ok; }, 10));
    control_ = std::make_unique<Client>(path_);
  }
  // Attaches a printer and opens and claims it on `holder`; its id.
  std::string AttachAndClaim(Client& holder, const std::string& properties) {
    const std::string id = control_->Ask("attach " + properties).substr(3);
    EXPECT_EQ("OK", holder.Ask("open " + id));
    EXPECT_EQ("OK", holder.Ask("claim 0"));
    return id;
  }

  TestTempDir dir_;
  const std::string path_ = dir_ / "kv.sock";
  kv71p::test::BackgroundProcess process_;
  std::unique_ptr<Client> control_;
};

TEST_F(EmulatorDocTest, ASessionAsTheDocumentDescribesIt) {
  Client& control = *control_;
  const std::string& path = path_;
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

  const std::string query = Block("INFO", "FVER");
  EXPECT_EQ("OK 32", holder.Ask("bulkout 0 1 1000 " + Hex(query)));
  EXPECT_EQ("OK " + Hex("00000005"), holder.Ask("bulkin 0 130 8 1000"));
  EXPECT_EQ("OK " + Hex("1.23\r"), holder.Ask("bulkin 0 130 100 1000"));
  EXPECT_EQ("TIMEOUT", holder.Ask("bulkin 0 130 8 50"));

  // The status as %07d and a carriage return; a whole frame set by hand.
  const std::string status = Block("STATUS", "");
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
  EXPECT_EQ("OK 32", holder.Ask("bulkout 0 1 1000 " + Hex(Block("INFO", "MQTY"))));
  EXPECT_EQ("LEFT 1", watcher.Line());
  EXPECT_EQ("ERR no-device", holder.Ask("bulkin 0 130 8 1000"));
  EXPECT_EQ("OK 2", control.Ask("list"));
  EXPECT_EQ(0u, control.Ask("get 1").find("OK vendor=65535 product=11 interfaces=1 status=1000 serial=\"AB 12\""));

  EXPECT_EQ("OK", control.Ask("shutdown"));
  EXPECT_TRUE(kv71p::test::WaitFor([&] { return !process_.Running(); }, 10));
  EXPECT_EQ(0, process_.exitStatus());
  EXPECT_FALSE(Client(path).ok);
}

// Each print is MULTICUT (or none) and START, sent raw; print-ms=0 prints at once.
TEST_F(EmulatorDocTest, PrintsCountTheRibbonDownOrAreDiscarded) {
  struct Case {
    const char* name;
    std::string properties, multiCut;  // multiCut: its data, none when empty
    const char* events;
    const char* after;  // status, remainhalf, remain and total afterwards
  };
  const Case cases[] = {
      {"a 408 on 510 is a half print", "media=0000510", "00000408", "started:half printed:half", "0 000000004 000000002 0000010"},
      {"a 434 on 600 is a half print", "media=0000600", "00000434", "started:half printed:half", "0 000000004 000000002 0000010"},
      {"a 410 on 500 is a full print", "media=0000500", "00000410", "started:full printed:full", "0 000000003 000000001 0000010"},
      {"no MULTICUT is a full print", "media=0000510", "", "started:full printed:full", "0 000000003 000000001 0000010"},
      {"standby prints and stays standby", "status=900", "00000013", "started:full printed:full", "900 000000003 000000001 0000010"},
      {"the last half print ends at ribbon end", "remainhalf=1 media=0000510", "00000409", "started:half printed:half", "1200 0 000000000 0000010"},
      {"a full print with one half left", "remainhalf=000000001", "00000013", "discarded:ribbon-end", "1200 000000001 000000002 0000009"},
      {"no print at paper end", "status=1100", "00000408", "discarded:not-ready", "1100 000000005 000000002 0000009"},
      {"no print at ribbon end", "status=1200", "00000408", "discarded:not-ready", "1200 000000005 000000002 0000009"},
  };
  Client& control = *control_;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Client holder(path_);
    const std::string id = AttachAndClaim(
        holder, "print-ms=0 remainhalf=000000005 remain=000000002 total=0000009 " + c.properties);
    const std::string print = (c.multiCut.empty() ? "" : Block("IMAGE", "MULTICUT", c.multiCut)) + kStart;
    EXPECT_EQ("OK " + std::to_string(print.size()), holder.Raw("", print));
    EXPECT_EQ(std::string("OK ") + c.events, control.Ask("prints " + id));
    const std::string get = control.Ask("get " + id);
    EXPECT_EQ(c.after, Field(get, "status") + " " + Field(get, "remainhalf") + " " + Field(get, "remain") + " " +
                           Field(get, "total"));
  }
}

// A print takes print-ms with status 1; a START meanwhile is discarded.
TEST_F(EmulatorDocTest, APrintTakesItsTimeWithStatusOne) {
  struct Case {
    const char* name;
    const char* setMeanwhile;  // empty: nothing
    const char* statusAfter;
  };
  const Case cases[] = {
      {"the status returns to standby", "", "900"},
      {"a status set meanwhile stands", "status=1000", "1000"},
  };
  Client& control = *control_;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Client holder(path_);
    const std::string id = AttachAndClaim(holder, "print-ms=300 status=900");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("OK 104", holder.Raw("", kMultiCut408 + kStart + Block("STATUS", "")));
    EXPECT_EQ("OK " + Hex("000000080000001\r"), holder.Ask("bulkin 0 130 64 1000"));
    EXPECT_EQ("OK 72", holder.Raw("", kMultiCut408 + kStart));
    if (*c.setMeanwhile) {
      EXPECT_EQ("OK", control.Ask("set " + id + " " + c.setMeanwhile));
    }
    EXPECT_TRUE(kv71p::test::WaitFor(
        [&] { return control.Ask("prints " + id) == "OK started:half discarded:not-ready printed:half"; }, 10));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(c.statusAfter, Field(control.Ask("get " + id), "status"));
  }
}

// A print without its START is dropped when the claim ends, with the block
// received in part; the next holder's queries are answered.
TEST_F(EmulatorDocTest, AnUnfinishedPrintIsDiscardedWhenTheClaimEnds) {
  const char* const endings[] = {"release 0", "close", ""};  // "": the connection ends
  Client& control = *control_;
  for (const char* ending : endings) {
    SCOPED_TRACE(ending);
    std::string id;
    {
      Client holder(path_);
      id = AttachAndClaim(holder, "print-ms=0");
      const std::string plane = Block("IMAGE", "YPLANE", std::string(100, 'y'));
      EXPECT_EQ("OK 90", holder.Raw(*ending ? ending : "ping", kMultiCut408 + plane.substr(0, 50)));
      if (*ending) {
        EXPECT_EQ("OK discarded:unfinished", control.Ask("prints " + id));
      }
    }
    // The end of a connection is seen by the emulator a moment later.
    EXPECT_TRUE(kv71p::test::WaitFor([&] { return control.Ask("prints " + id) == "OK discarded:unfinished"; }, 10));
    Client next(path_);
    EXPECT_EQ("OK", next.Ask("open " + id));
    EXPECT_EQ("OK", next.Ask("claim 0"));
    EXPECT_EQ("OK 32", next.Raw("", Block("STATUS", "")));
    EXPECT_EQ("OK " + Hex("000000080000000\r"), next.Ask("bulkin 0 130 64 1000"));
  }
}

// Raw bytes are not lines; a raw request without its length ends the connection.
TEST_F(EmulatorDocTest, RawBulkOut) {
  Client& control = *control_;
  Client holder(path_);
  const std::string id = AttachAndClaim(holder, "");
  EXPECT_EQ("OK 4", holder.Raw("", "\n\nA\n"));
  EXPECT_EQ("OK 1", control.Ask("log " + id));
  EXPECT_EQ("JUNK 1 0 4 0a0a410a", control.Line());
  EXPECT_EQ("OK out:4", control.Ask("transfers " + id));
  EXPECT_EQ(0u, holder.Ask("bulkout-raw 0 1 1000 many").find("ERR invalid-param"));
  EXPECT_EQ("", holder.Line());
  EXPECT_EQ("OK", control.Ask("ping"));
}

}  // namespace
