#include <gtest/gtest.h>

#include "SerialNumber.h"

namespace {

TEST(SerialNumberTest, ConversionAndRefusals) {
  struct Case {
    std::string answer;
    bool ok;
    std::string converted;
  };
  const Case cases[] = {
      {"KVP 001 A", true, "KVP%20001%20A"},
      {"", true, ""},
      {"a.b", true, "a.b"},
      {"a..b", false, ""},
      {"/", false, ""},
      {"\x7f", false, ""},
      {"\xc2\x85", false, ""},          // a C1 control character
      {"\xc0\xaf", false, ""},          // overlong "/"
      {"\xed\xa0\x80", false, ""},      // a surrogate
      {"\xf4\x90\x80\x80", false, ""},  // beyond U+10FFFF
      {"\xe2\x82", false, ""},          // cut short
      {"\xe2\x82\xac", true, "\xe2\x82\xac"},
      {std::string(63, 'x'), true, std::string(63, 'x')},
      {std::string(64, 'x'), false, ""},
  };
  for (const Case& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(c.ok, ConvertSerialNumber(c.answer, &out)) << c.answer;
    EXPECT_EQ(c.converted, out) << c.answer;
  }
}

}  // namespace
