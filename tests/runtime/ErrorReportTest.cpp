#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "fakes/FakePlatform.h"
#include "platform/Clock.h"
#include "platform/FileSystemBehaviour.h"
#include "toolkit/ErrorReportBox.h"

namespace sigpatch {
namespace {

TEST(RuntimeErrorTest, CarriesTheSystemsDescriptionsAndNumbers) {
  EXPECT_STREQ(RuntimeError(6).what(), "6, Overflow");
  // Standard faults get the system's numbers.
  EXPECT_EQ(errorInfoOf(std::bad_alloc()).number, 7);
  EXPECT_EQ(errorInfoOf(std::runtime_error("x")).number, 51);
  EXPECT_EQ(errorInfoOf(RuntimeError(53)).description, u"File not found");
}

TEST(ErrorReportTest, ShowsExeClassProcedureNumberAndDescriptionButNotAnImmediateStop) {
  fakes::FakePlatform fake;
  toolkit::showErrorReport(u"AppMain", u"RunUpdates", RuntimeError(76));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"sigpatch.AppMain.RunUpdates: 76, Path not found");
  auto handler = [&] {
    try {
      fake.windowing.End();
    } catch (const std::exception& e) {
      toolkit::showErrorReport(u"X", u"Y", e);
    }
  };
  EXPECT_THROW(handler(), fakes::ImmediateStop);
  EXPECT_EQ(fake.windowing.messages.size(), 1u);
}

TEST(PlatformTest, MissingServicesAreAFaultNotACrashAndScopesRestoreTheServicesBefore) {
  fakes::FakePlatform outer;
  {
    platform::ScopedPlatform none(platform::Platform{});
    EXPECT_EQ(testing::errorOf([] { platform::clock(); }), 91);
    toolkit::doEvents();  // no window events without a windowing layer
  }
  EXPECT_EQ(&platform::windowing(), &outer.windowing);
}

TEST(ClockTest, CountsSecondsOnTheClocksBoundaries) {
  using namespace std::chrono;
  const auto base = sys_days{2026y / 12 / 6} + hours{12};
  EXPECT_EQ(platform::secondsBetween(base + milliseconds{900}, base + milliseconds{1000}), 1);
  EXPECT_EQ(platform::secondsBetween(base, base + milliseconds{2999}), 2);
  EXPECT_EQ(platform::dateTimeText({2004, 3, 7, 9, 5, 1}), u"2004-03-07 09:05:01");
  EXPECT_EQ(platform::minusDays({2024, 3, 1, 8, 30, 0}, 1),
            (platform::DateTime{2024, 2, 29, 8, 30, 0}));
}

}  // namespace
}  // namespace sigpatch
