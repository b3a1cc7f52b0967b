// The model name from the printer's IEEE 1284 device ID: the answer's
// length field, the key search, and the real service reading it from
// emulated printers.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <thread>

#include "DeviceId.h"
#include "ServiceHarness.h"

namespace kv71p::test {
namespace {

std::string Answer(unsigned field, const std::string& text) {
  return std::string(1, static_cast<char>(field >> 8)) + static_cast<char>(field & 0xFF) + text;
}

TEST(DeviceIdAnswer, LengthFieldAgainstBytesReceived) {
  struct Case {
    std::string answer;
    unsigned minimum;
    bool hasText;
    std::string text;
  } cases[] = {
      {Answer(10, "MDL:ABC;"), 3, true, "MDL:ABC;"},  // the field counts its own 2 bytes
      {Answer(6, "MDL:ABC;"), 3, true, "MDL:"},      // the field decides
      {Answer(20, "MDL:ABC;"), 3, true, "MDL:ABC;"}, // never more than arrived
      {Answer(3, "M"), 3, true, "M"},
      {Answer(2, "MDL:A"), 3, false, ""},
      {Answer(2, "MDL:A"), 2, true, ""},
      {Answer(1, "MDL:A"), 2, false, ""},
      {Answer(0, "MDL:A"), 2, false, ""},
      {std::string(1, '\0'), 2, false, ""},
      {Answer(7, "MDL:\xff\xfe"), 2, false, ""},     // not UTF-8
      {Answer(9, "MDL:\xc3\xa9"), 3, true, "MDL:\xc3\xa9"},
      {Answer(7, "MDL:\xc3\xa9"), 3, false, ""},      // a character cut in two
  };
  for (const Case& c : cases) {
    std::string text = "untouched";
    EXPECT_EQ(DeviceIdTextFromAnswer(reinterpret_cast<const unsigned char*>(c.answer.data()),
                                     c.answer.size(), c.minimum, &text),
              c.hasText)
        << ::testing::PrintToString(c.answer);
    EXPECT_EQ(text, c.text) << ::testing::PrintToString(c.answer);
  }
}

TEST(DeviceIdModel, KeySearch) {
  struct Case {
    const char* id;
    bool found;
    const char* model;
  } cases[] = {
      {"MFG:Korvale;CMD:VEX;MDL:KV-71P;CLS:PRINTER;", true, "KV-71P"},
      {"MDL:  KV-71P  ;", true, "KV-71P"},
      {"MFG:K; mdl: KV-71P X ;", true, " KV-71P X"},
      {"MFG:K;\tMdL:\tKV;", true, "\tKV"},
      {"MODEL:First;MDL:Second;", true, "First"},
      {"MDL:Second;MODEL:First;", true, "Second"},
      {"model:lower", true, "lower"},
      {"DES:The MDL:hidden;MDL:shown", true, "shown"},  // a key inside a field is not a key
      {"MFG:K;MDL:;", true, ""},
      {"MFG:K;CMD:VEX;", false, ""},
      {"MDL KV-71P;MODELS:x", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string model;
    EXPECT_EQ(FindModelName(c.id, &model), c.found) << c.id;
    EXPECT_EQ(model, c.model) << c.id;
  }
}

TEST(DeviceIdModel, CutKeepsWholeCharacters) {
  EXPECT_EQ(CutUtf8("abc", 127), "abc");
  EXPECT_EQ(CutUtf8(std::string(130, 'a'), 127), std::string(127, 'a'));
  EXPECT_EQ(CutUtf8(std::string(126, 'a') + "\xc3\xa9", 127), std::string(126, 'a'));
  EXPECT_EQ(CutUtf8(std::string(125, 'a') + "\xc3\xa9", 127), std::string(125, 'a') + "\xc3\xa9");
  EXPECT_EQ(CutUtf8(std::string(125, 'a') + "\xe2\x82\xac", 127), std::string(125, 'a'));
}

// A device ID of exactly `length` bytes (length field included) whose
// model field comes last.
std::string DeviceIdOfLength(size_t length, const std::string& model) {
  const std::string head = "MFG:Korvale;CMD:VEX;DES:";
  const std::string tail = ";MDL:" + model + ";";
  return head + std::string(length - 2 - head.size() - tail.size(), 'x') + tail;
}

struct DeviceIdCase {
  std::string name;
  std::vector<std::string> properties;
  std::string model;
};
void PrintTo(const DeviceIdCase& c, std::ostream* out) { *out << c.name; }

class DeviceIdService : public ::testing::TestWithParam<DeviceIdCase> {};

TEST_P(DeviceIdService, ModelLineOfTheFirstFile) {
  const DeviceIdCase& c = GetParam();
  ServiceHarness h;
  ASSERT_TRUE(h.emulator().Start());
  h.emulator().Attach(c.properties);
  ASSERT_TRUE(h.StartService());
  EXPECT_TRUE(h.WaitForInfoFile(kDefaultSerial, DefaultInformationFile(kDefaultSerial, c.model)))
      << h.InfoFile(kDefaultSerial);
  EXPECT_EQ(h.StopService(SIGINT), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceIdService,
    ::testing::Values(
        // Length field 254: all of it in the first answer of 256 bytes.
        DeviceIdCase{"Length254", {"deviceid=" + DeviceIdOfLength(254, "Model254")}, "Model254"},
        // Length field 300: the model lies beyond the first 256 bytes and
        // comes with the second request of 300 bytes.
        DeviceIdCase{"Length300", {"deviceid=" + DeviceIdOfLength(300, "Model300")}, "Model300"},
        DeviceIdCase{"LowerCaseKeyAfterSpace",
                     {"deviceid=MFG:Korvale;  mdl: KV-71P Photo ;CLS:PRINTER;"},
                     " KV-71P Photo"},
        DeviceIdCase{"ModelBeforeMdl", {"deviceid=MFG:K;MODEL:First;MDL:Second;"}, "First"},
        // The printer announces 300 bytes but sends 40: the 40 are used.
        DeviceIdCase{"AnnouncedLongerThanSent",
                     {"deviceid=MFG:Korvale;CMD:VEX;MDL:Short", "deviceid-length=300"},
                     "Short"},
        // A model name longer than the record holds: its first 127 bytes.
        DeviceIdCase{"LongModelName", {"deviceid=MDL:" + std::string(200, 'M') + ";"},
                     std::string(127, 'M')}),
    [](const ::testing::TestParamInfo<DeviceIdCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kv71p::test
