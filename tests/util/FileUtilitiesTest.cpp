#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "util/FileUtilities.h"

namespace sigpatch {
namespace {

using platform::attr::kReadOnly;

using namespace std::chrono_literals;
using Ago = std::chrono::seconds;

class FileUtilitiesTest : public ::testing::Test {
 protected:
  FileUtilitiesTest() {
    fake.Set([&](platform::Platform& services) {
      services.fileSystem = &service;
      services.system = &system;
    });
    fake.clock.Set({2026, 12, 6, 10, 0, 0});
  }
  fakes::FakeNode& file(const std::u16string& path, std::string bytes = {}) {
    return disk.AddFile(path, std::move(bytes));
  }

  fakes::FakePlatform fake;
  fakes::FakeFileSystemService service{runtime::PathStyle::Posix};
  fakes::FakeDisk& disk = service.disk;
  fakes::FakeSystem system;
  FileUtilities fu{runtime::PathStyle::Posix};
};

TEST_F(FileUtilitiesTest, StopsTheProgramWithoutAFileSystem) {
  fake.Set([](platform::Platform& services) { services.fileSystem = nullptr; });
  EXPECT_THROW(FileUtilities().IsRealZipFile(u"/d/a"), fakes::ImmediateStop);
}

TEST_F(FileUtilitiesTest, CopyAndDeleteClearTheReadOnlyBitFirstAndGiveFalseOnAnyFault) {
  file(u"/s/new", "new");
  file(u"/d/old", "old").attributes = kReadOnly | platform::attr::kHidden;
  EXPECT_TRUE(fu.CopyFile(u"/s/new", u"/d/old"));
  EXPECT_EQ(disk.Node(u"/d/old").bytes, "new");
  file(u"/d/ro").attributes = kReadOnly;
  EXPECT_TRUE(fu.DeleteFile(u"/d/ro"));
  EXPECT_FALSE(disk.Has(u"/d/ro"));
  file(u"/d/busy");
  file(u"/d/stuck").attributes = kReadOnly;
  disk.faults = {{u"CopyFile /d/x", 70}, {u"DeleteFile /d/busy", 70}, {u"SetAttributes", 70}};
  for (auto to : {u"/nofolder/y", u"/d/x", u"/d/stuck"}) EXPECT_FALSE(fu.CopyFile(u"/s/new", to));
  EXPECT_FALSE(fu.DeleteFile(u"/d/ro"));
  EXPECT_FALSE(fu.DeleteFile(u"/d/busy"));
  EXPECT_TRUE(disk.Has(u"/d/busy"));
  EXPECT_TRUE(fake.windowing.messages.empty());
}

// How long ago the file was written and read, the days to keep, and whether it goes.
TEST_F(FileUtilitiesTest, DeleteOldFileDeletesWhenWriteAndAccessAreBothBeforeTheLimit) {
  constexpr Ago day = 24h;
  const std::tuple<Ago, Ago, std::int32_t, bool> cases[] = {{1s, 1s, 0, true},
                                                            {0s, 1h, 0, false},
                                                            {1h, 0s, 0, false},
                                                            {31 * day, 31 * day + 1s, 30, true},
                                                            {29 * day, 29 * day, 30, false}};
  for (const auto& [modified, accessed, days, deleted] : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::pair(days, deleted)));
    auto& node = file(u"/d/f", "x");
    node.modified = fake.clock.now - modified;
    node.accessed = fake.clock.now - accessed;
    node.attributes = kReadOnly;
    EXPECT_EQ(fu.DeleteOldFile(u"/d/f", days), deleted);
    EXPECT_EQ(disk.Has(u"/d/f"), !deleted);
  }
  auto& old = file(u"/d/f", "x");
  old.modified = old.accessed = fake.clock.now - 9000 * day;
  disk.faults[u"DeleteFile"] = 70;
  EXPECT_FALSE(fu.DeleteOldFile(u"/d/f", 1));
}

}  // namespace
}  // namespace sigpatch
