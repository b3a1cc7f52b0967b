#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "filter/Common.h"
#include "tests/filter/FilterTestHelpers.h"

using namespace kv71p;
using namespace kv71p::filter;

namespace {

using kv71p::test::JobOptions;
using kv71p::test::Pairs;
using kv71p::test::TestCacheDir;
using kv71p::test::TestPpd;

TEST(GetCupsValue, JobOptionThenMediaThenPpdDefault) {
  struct {
    const char* label;
    const char* keyword;
    Pairs job, ppd;
    const char* expected;  // null: absent
  } cases[] = {
      {"neither", "VexBorder", {}, {}, nullptr},
      {"job option", "VexBorder", {{"VexBorder", "Enable"}}, {}, "Enable"},
      {"PPD default", "VexBorder", {}, {{"VexBorder", "Enable"}}, "Enable"},
      {"job option wins", "VexBorder", {{"VexBorder", "Disable"}}, {{"VexBorder", "Enable"}},
       "Disable"},
      {"other keywords only", "VexICM", {{"VexBorder", "Enable"}}, {{"VexBorder", "Enable"}},
       nullptr},
      {"media for PageSize", "PageSize", {{"media", "207x130mm"}}, {}, "207x130mm"},
      {"PageSize before media", "PageSize", {{"media", "207x130mm"}, {"PageSize", "214x151mm"}},
       {}, "214x151mm"},
      {"media before PPD PageSize", "PageSize", {{"media", "207x130mm"}},
       {{"PageSize", "214x300mm"}}, "207x130mm"},
      {"PPD PageSize", "PageSize", {}, {{"PageSize", "214x300mm"}}, "214x300mm"},
      {"media only for PageSize", "Resolution", {{"media", "300x600dpi"}}, {}, nullptr},
      {"value kept as written", "VexICM", {{"VexICM", "none"}}, {}, "none"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    JobOptions job(tc.job);
    TestPpd ppd(tc.ppd);
    if (!tc.ppd.empty()) {
      ASSERT_NE(nullptr, ppd.ppd());
    }
    const char* value = _GetCupsValue(tc.keyword, job.count(), job.options(), ppd.ppd());
    if (tc.expected == nullptr)
      EXPECT_EQ(nullptr, value);
    else
      EXPECT_STREQ(tc.expected, value);
  }
}

TEST(GetFirmwVersion, AssumesOnePointFiftyThree) {
  double version = 0;
  EXPECT_EQ(0, _GetFirmwVersion(12345, &version));
  EXPECT_EQ(1.53, version);
  EXPECT_EQ(3, _GetFirmwVersion(0, nullptr));
}

TEST(GetValuePrInfoFile, LooksUpThePerJobFile) {
  TestCacheDir cache;
  const std::string v127(127, '7'), v128(128, '8');
  struct {
    const char* label;
    const char* content;  // null: no per-job file
    std::string line;     // appended to content
    const char* key;
    int outSize;
    std::string expected;  // "-" stays when nothing is copied
  } cases[] = {
      {"key on a later line", "PRINTER=\"x\"\nMEDIA_CLASS=\"0001\"\n", "MEDIA_SIZE=\"00500\"\n",
       "MEDIA_SIZE=", 128, "00500"},
      {"missing key", "PRINTER=\"x\"\n", "", "MEDIA_SIZE=", 128, "-"},
      {"missing file", nullptr, "", "MEDIA_SIZE=", 128, "-"},
      {"127 characters fit", "", "K=\"" + v127 + "\"\n", "K=", 128, v127},
      {"128 characters do not", "", "K=\"" + v128 + "\"\n", "K=", 128, "-"},
      {"value exactly fills a small buffer", "", "K=\"123\"\n", "K=", 4, "123"},
      {"one too long for a small buffer", "", "K=\"1234\"\n", "K=", 4, "-"},
      {"no buffer size", "", "K=\"1\"\n", "K=", 0, "-"},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.label);
    const std::string job = "42";
    unlink((cache.path() + "/Print_42.log").c_str());
    if (tc.content) cache.WriteJobFile(job, tc.content + tc.line);
    char out[200];
    std::memset(out, 'Z', sizeof out);
    std::strcpy(out, "-");
    EXPECT_EQ(0, _GetValuePrInfoFile(tc.key, job.c_str(), out, tc.outSize));
    EXPECT_EQ(tc.expected, std::string(out));
    EXPECT_EQ('Z', out[std::max(tc.outSize, 2)]) << "wrote past the buffer";
  }
  EXPECT_EQ(0, _GetValuePrInfoFile("K=", "42", nullptr, 128));
  EXPECT_EQ(0, _GetValuePrInfoFile("K=", nullptr, nullptr, 128));
}

}  // namespace
