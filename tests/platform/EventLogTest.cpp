#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "fakes/FakePlatform.h"
#include "platform/EventLog.h"
#include "platform/Platform.h"

namespace sigpatch::platform {
namespace {

using std::chrono_literals::operator""ms;

TEST(EventLogTest, ARunReachesTheBundlesLogWholeAndABundleWithoutOneKeepsNothing) {
  const RunRecord record{RunResult::Installed,
                         u"sdat4500.exe",
                         u"/srv/updates/",
                         0,
                         2345ms,
                         u"Installed sdat4500.exe",
                         false};
  {
    fakes::FakePlatform platform;
    eventLog().Report(record);
    EXPECT_EQ(platform.eventLog.reports, std::vector<RunRecord>{record});
  }
  ScopedPlatform none(Platform{});
  EXPECT_NO_THROW(eventLog().Report(record));
}

// The words administrators filter on: journalctl SIGPATCH_RESULT=failed.
TEST(EventLogTest, EachResultHasItsWord) {
  const std::pair<RunResult, std::u16string_view> words[] = {
      {RunResult::Installed, u"installed"},
      {RunResult::NothingNewer, u"nothing-newer"},
      {RunResult::Failed, u"failed"},
      {RunResult::Stale, u"stale"},
  };
  for (const auto& [result, word] : words) EXPECT_EQ(resultWord(result), word);
}

}  // namespace
}  // namespace sigpatch::platform
