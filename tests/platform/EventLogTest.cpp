#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"

namespace sigpatch::platform {
namespace {

using namespace std::chrono_literals;

// The words of each result in the log: tests/app/ExitStatusTest.cpp.
TEST(EventLogTest, ARunReachesTheBundlesLogWholeAndABundleWithoutOneKeepsNothing) {
  const RunRecord record{RunResult::Failed, u"sdat4501\n.exe", u"/srv/Mises à jour/", -1, 80ms,
                         u"sdat4501.exe could not be started: 100% %s %d %1", true};
  {
    fakes::FakePlatform platform;
    eventLog().Report(record);
    EXPECT_EQ(platform.eventLog.reports, std::vector<RunRecord>{record});
  }
  ScopedPlatform none(Platform{});
  EXPECT_NO_THROW(eventLog().Report(record));
}

}  // namespace
}  // namespace sigpatch::platform
