#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "platform/EventLogCases.h"
#include "runtime/Text.h"

namespace sigpatch::platform {
namespace {

TEST(EventLogTest, ARunReachesTheBundlesLogWholeAndABundleWithoutOneKeepsNothing) {
  for (const auto& c : testing::kEventLogCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text::toUtf8(resultWord(c.record.Result)), c.word);
    {
      fakes::FakePlatform platform;
      eventLog().Report(c.record);
      EXPECT_EQ(platform.eventLog.reports, std::vector<RunRecord>{c.record});
    }
    ScopedPlatform none(Platform{});
    EXPECT_NO_THROW(eventLog().Report(c.record));
  }
}

}  // namespace
}  // namespace sigpatch::platform
