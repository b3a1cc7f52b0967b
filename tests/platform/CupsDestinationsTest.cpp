#include <gtest/gtest.h>

#include <algorithm>

#include "CupsDestinations.h"
#include "PrivateCupsd.h"

namespace {

using kv71p::CupsDestination;

const CupsDestination* Find(const std::vector<CupsDestination>& list, const std::string& id) {
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const CupsDestination& d) { return d.id == id; });
  return it == list.end() ? nullptr : &*it;
}

TEST(CupsDestinations, ListsQueuesOfThePrivateScheduler) {
  kv71p::test::PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.errorLog();
  cupsd.ExportClientEnvironment();

  std::vector<CupsDestination> list;
  ASSERT_TRUE(kv71p::ListCupsDestinations(&list)) << "an empty scheduler is a valid empty list";
  EXPECT_TRUE(list.empty());

  const std::string uri = "vexbackend://KORVALE%20SYSTEMS/KV-71P?serial=A1B2C3";
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_A", "-E", "-D", "Shown Name", "-v", uri}).exitStatus);
  ASSERT_EQ(0, cupsd.Lpadmin({"-p", "KV_B", "-E", "-v", "file:///dev/null"}).exitStatus);

  ASSERT_TRUE(kv71p::ListCupsDestinations(&list));
  const CupsDestination* a = Find(list, "KV_A");
  const CupsDestination* b = Find(list, "KV_B");
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ("Shown Name", a->name);
  EXPECT_EQ(uri, a->deviceUri);
  EXPECT_EQ("KV_B", b->name) << "without a description the queue name is shown";

  std::string got;
  EXPECT_TRUE(kv71p::GetCupsDeviceUri("KV_A", &got));
  EXPECT_EQ(uri, got);
  EXPECT_FALSE(kv71p::GetCupsDeviceUri("missing", &got));

  // A scheduler that does not answer is a failure, not an empty list.
  cupsd.Stop();
  EXPECT_FALSE(kv71p::ListCupsDestinations(&list));
}

}  // namespace
