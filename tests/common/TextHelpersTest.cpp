#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "TextHelpers.h"

namespace {

TEST(TextToInt, TableOfInputs) {
  const std::string longText(600, '7');
  struct {
    const char* text;
    int count;
    int expected;
  } cases[] = {
      {"00000123", 8, 123},   {"00000123", 600, -1}, {"12ab", 4, 12},
      {"  -42xyz", 8, -42},   {"+17", 3, 17},        {"abc", 3, 0},
      {"", 0, 0},             {"12345", 3, 123},     {"00000123", -1, -1},
      {"99999999999999999999", 20, INT_MAX},         {"-99999999999999999999", 21, INT_MIN},
      {"2147483647", 10, INT_MAX},                   {"-2147483648", 11, INT_MIN},
      {longText.c_str(), 511, INT_MAX},              {longText.c_str(), 512, -1},
      {"5\0" "99", 4, 5},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(std::string(tc.text) + " / " + std::to_string(tc.count));
    EXPECT_EQ(tc.expected, _TextToInt(tc.text, tc.count));
  }
}

TEST(ParseInt, AtoiLikeWithoutOverflow) {
  struct {
    const char* text;
    long expected;
  } cases[] = {
      {nullptr, 0}, {"", 0}, {" \t\n12", 12}, {"-0", 0}, {"--1", 0}, {"+-1", 0},
      {"9223372036854775807", LONG_MAX}, {"9223372036854775808", LONG_MAX},
      {"-9223372036854775808", LONG_MIN}, {"-99999999999999999999999", LONG_MIN},
      {"00007", 7}, {"1e5", 1},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.text ? tc.text : "(null)");
    EXPECT_EQ(tc.expected, kv71p::ParseLong(tc.text));
  }
  EXPECT_EQ(INT_MAX, kv71p::ParseInt("9223372036854775807"));
  EXPECT_EQ(INT_MIN, kv71p::ParseInt("-3000000000"));
}

TEST(CutText, CopiesExactlyCountAndTerminates) {
  char target[8];
  std::memset(target, 'x', sizeof target);
  EXPECT_EQ(0, _CutText(target, "ABCDEFGH", 5));
  EXPECT_STREQ("ABCDE", target);
  EXPECT_EQ('x', target[6]);

  // A shorter source is not read past its end.
  std::memset(target, 'x', sizeof target);
  _CutText(target, "AB", 5);
  EXPECT_STREQ("AB", target);
  EXPECT_EQ(0, target[5]);

  // The sized form never writes past the target.
  char small[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  _CutText(small, 4, "ABCDEFGH", 100);
  EXPECT_STREQ("ABC", small);
  EXPECT_EQ('x', small[4]);
  _CutText(small, 0, "ABCDEFGH", 100);
  EXPECT_STREQ("ABC", small);
}

TEST(StoreLE, LowBytesFirst) {
  unsigned char b[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  _StoreLE2(b, 0x12345678);
  EXPECT_EQ(0x78, b[0]);
  EXPECT_EQ(0x56, b[1]);
  EXPECT_EQ(0xEE, b[2]);
  _StoreLE4(b + 1, -2);
  const unsigned char expected[] = {0x78, 0xFE, 0xFF, 0xFF, 0xFF, 0xEE};
  EXPECT_EQ(0, std::memcmp(expected, b, sizeof b));
}

}  // namespace
