// FileUtilities where only the real system shows it: local file dates and the
// POSIX meaning of the system's folders. The rest is in
// tests/util/FileUtilitiesTest.cpp on the fake disk.

#include <gtest/gtest.h>

#include "PosixTestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixSystem.h"
#include "runtime/Text.h"
#include "util/FileUtilities.h"

namespace sigpatch {
namespace {

using sigpatch::testing::setTimes;
using sigpatch::testing::writeFile;

class PosixFileUtilitiesTest : public ::testing::Test {
 protected:
  PosixFileUtilitiesTest() {
    fake.Set([&](platform::Platform& services) {
      services.clock = &clock;
      services.fileSystem = &service;
      services.system = &system;
    });
  }

  std::string at(const std::string& name) const { return dir / name; }
  std::u16string path(const std::string& name) const { return text::fromUtf8(at(name)); }

  sigpatch::testing::ScopedTimeZone tz{"CET-1"};  // one hour east of UTC, no summer time
  fakes::FakePlatform fake;
  platform::posix::PosixClock clock;
  platform::posix::PosixFileSystemService service;
  platform::posix::PosixSystem system;
  sigpatch::testing::TempFolder dir;
  FileUtilities fu;
};

TEST_F(PosixFileUtilitiesTest, FileDatesAreLocalTimes) {
  writeFile(at("thirty"), std::string(30, 'x'));
  setTimes(at("thirty"), 1078650301, 1078650302);  // 2004-03-07 09:05:01 UTC
  EXPECT_EQ(fu.GetFileModDate(path("thirty")), u"2004-03-07 10.05.01");
  EXPECT_EQ(fu.GetFileAccessedDate(path("thirty")), u"2004-03-07 10.05.02");
}

TEST_F(PosixFileUtilitiesTest, SystemFoldersHaveTheirPosixMeaning) {
  {
    sigpatch::testing::ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(fu.GetTempDir(), u"/tmp/");
  }
  {
    sigpatch::testing::ScopedEnv tmp("TMPDIR", "/var/Tmp/Sig");
    EXPECT_EQ(fu.GetTempDir(), u"/var/Tmp/Sig/");
  }
  EXPECT_EQ(fu.GetWindowsDir(), u"/");
  EXPECT_EQ(fu.GetWindowsSystemDir(), u"/usr/bin");
  mkdir(at("Real").c_str(), 0755);
  symlink(at("Real").c_str(), at("link").c_str());
  EXPECT_EQ(fu.GetLongPath(path("link")), path("Real"));
  EXPECT_EQ(fu.GetShortPath(path("link")), path("link"));
  EXPECT_EQ(fu.GetLongPath(path("missing")), u"");
  EXPECT_TRUE(fu.CheckDirExists(path("Real/")));
  EXPECT_FALSE(fu.CheckDirExists(path("real")));
}

}  // namespace
}  // namespace sigpatch
