#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "common/TextHelpers.h"

using namespace kv71p;

namespace {

TEST(TextToInt, TableOfInputs) {
  const std::string longText(600, '7');
  struct {
    const char* text;
    int count, expected;
  } cases[] = {
      {"00000123", 8, 123},   {"00000123", 600, -1}, {"12ab", 4, 12},      {"  -42xyz", 8, -42},
      {"+17", 3, 17},         {"abc", 3, 0},         {"", 0, 0},           {"12345", 3, 123},
      {"00000123", -1, -1},   {"5\0" "99", 4, 5},    {"2147483647", 10, INT_MAX},
      {"-2147483648", 11, INT_MIN},                  {"99999999999999999999", 20, INT_MAX},
      {"-99999999999999999999", 21, INT_MIN},        {longText.c_str(), 511, INT_MAX},
      {longText.c_str(), 512, -1},
  };
  for (const auto& tc : cases) EXPECT_EQ(tc.expected, TextToInt(tc.text, tc.count)) << tc.text << " / " << tc.count;
}

TEST(ParseInt, AtoiLikeWithoutOverflow) {
  struct {
    const char* text;
    long expected;
  } cases[] = {
      {nullptr, 0}, {"", 0}, {" \t\n12", 12}, {"-0", 0}, {"--1", 0}, {"+-1", 0}, {"00007", 7}, {"1e5", 1},
      {"9223372036854775807", LONG_MAX},  {"9223372036854775808", LONG_MAX},
      {"-9223372036854775808", LONG_MIN}, {"-99999999999999999999999", LONG_MIN},
  };
  for (const auto& tc : cases) EXPECT_EQ(tc.expected, kv71p::ParseLong(tc.text)) << (tc.text ? tc.text : "(null)");
  EXPECT_EQ(INT_MAX, kv71p::ParseInt("9223372036854775807"));
  EXPECT_EQ(INT_MIN, kv71p::ParseInt("-3000000000"));
}

TEST(CutText, CopiesExactlyCountAndStaysInside) {
  char target[8];
  std::memset(target, 'x', sizeof target);
  EXPECT_EQ(0, CutText(target, "ABCDEFGH", 5));
  EXPECT_EQ(std::string("ABCDE\0x", 7), std::string(target, 7));
  CutText(target, "AB", 5);  // a shorter source is not read past its end
  EXPECT_EQ(std::string("AB\0\0\0\0x", 7), std::string(target, 7));

  char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  CutText(small, 4, "ABCDEFGH", 100);
  CutText(small, 0, "ZZZ", 100);
  EXPECT_EQ(std::string("ABC\0xx", 6), std::string(small, 6));
}

TEST(StoreLE, LowBytesFirstAndNoMore) {
  unsigned char b[7] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  StoreLE4(b + 2, -2);
  StoreLE2(b + 1, 0x12345678);
  const unsigned char expected[] = {0xEE, 0x78, 0x56, 0xFF, 0xFF, 0xFF, 0xEE};
  EXPECT_EQ(0, std::memcmp(expected, b, sizeof b));
}

}  // namespace
