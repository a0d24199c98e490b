#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "fakes/FakePlatform.h"
#include "ui/Splash.h"
#include "ui/frmSplash.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;

class SplashTest : public ::testing::Test {
 protected:
  toolkit::headless::HeadlessWindow& window() { return fake.windowing.Form(u"frmSplash"); }
  std::u16string text() { return window().TextBoxNamed(u"tboText").Text(); }

  fakes::FakePlatform fake;
};

TEST_F(SplashTest, ShowsTheTitleLineAndTheCompany) {
  Splash splash;
  splash.ShowMain();
  EXPECT_TRUE(window().IsVisible());
  EXPECT_EQ(window().LabelNamed(u"lblProductName").Caption(), u"Sigpatch");
  EXPECT_EQ(text(), u"Sigpatch V1.01.02\r\nFerrolite\r\n");
}

TEST_F(SplashTest, AddsLinesOneUnderTheOtherWithoutTrimming) {
  Splash splash;
  splash.ShowMain();
  splash.AddText(u"Loading");
  splash.AddText(u"");
  splash.AddText(u"two\r\n");
  EXPECT_EQ(text(), u"Sigpatch V1.01.02\r\nFerrolite\r\nLoading\r\n\r\ntwo\r\n\r\n");
}

TEST_F(SplashTest, EachLineLetsQueuedEventsRun) {
  Splash splash;
  splash.ShowMain();
  bool ran = false;
  fake.windowing.Queue([&] { ran = true; });
  splash.AddText(u"x");
  EXPECT_TRUE(ran);
}

TEST_F(SplashTest, TheDesign) {
  Splash splash;
  auto& form = window();
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.Caption(), u"");
  EXPECT_EQ(form.ScaleWidth(), 4950);
  EXPECT_EQ(form.ScaleHeight(), 3750);
  EXPECT_FALSE(form.Design().ControlBox);
  EXPECT_FALSE(form.Design().ShowInTaskbar);
  EXPECT_EQ(form.Design().BorderStyle, toolkit::FormBorderStyle::FixedDialog);
  EXPECT_EQ(form.Design().StartUpPosition, toolkit::StartUpPosition::CenterScreen);
  EXPECT_TRUE(form.Icon().Empty());
  auto& logo = form.ImageNamed(u"imgLogo");
  EXPECT_EQ(logo.Picture().ResourceName(), u"sigpatch-icon.png");
  EXPECT_EQ(logo.Width(), 480);
  EXPECT_EQ(logo.Height(), 480);
  const auto& label = form.LabelNamed(u"lblProductName");
  EXPECT_EQ(label.Caption(), u"MyApp");
  EXPECT_EQ(label.Font().Name, u"Arial");
  EXPECT_EQ(label.Font().Size, 27.75);
  EXPECT_TRUE(label.Font().Bold);
  EXPECT_TRUE(form.TextBoxNamed(u"tboText").MultiLine());
  EXPECT_EQ(form.TextBoxNamed(u"tboText").Text(), u"");
}

// The two-second rule, counted on the clock's second boundaries.
struct Timing {
  std::chrono::milliseconds shownAt;  // after 10:00:00.000
  std::chrono::milliseconds closedAfter;
  std::chrono::milliseconds goneAt;
};

class SplashCloseTest : public SplashTest, public ::testing::WithParamInterface<Timing> {};

TEST_P(SplashCloseTest, StaysTwoSecondsAfterItsLoad) {
  const auto start = fake.clock.now;
  const auto timing = GetParam();
  fake.clock.Advance(timing.shownAt);
  {
    Splash splash;
    splash.ShowMain();
    fake.clock.Advance(timing.closedAfter);
  }
  EXPECT_EQ(fake.clock.now - start, timing.goneAt);
  EXPECT_EQ(fake.windowing.FindForm(u"frmSplash"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Timings, SplashCloseTest,
    ::testing::Values(Timing{0ms, 0ms, 2000ms},         // closed at once: two seconds
                      Timing{900ms, 0ms, 2000ms},       // 1.1 s reach the second boundary
                      Timing{999ms, 1001ms, 2000ms},    // 1.001 s is one boundary: no wait
                      Timing{0ms, 1500ms, 2000ms},      // waits the rest
                      Timing{0ms, 5000ms, 5000ms},      // shown five seconds: no wait
                      Timing{500ms, 1500ms, 2000ms}));  // 00.5 to 02.0: two boundaries

TEST_F(SplashTest, ClosingWaitsWhileOtherEventsRun) {
  bool ran = false;
  {
    Splash splash;
    splash.ShowMain();
    fake.windowing.QueueAfter(1500ms, [&] {
      ran = true;
      EXPECT_TRUE(fake.windowing.FindForm(u"frmSplash")->IsLoaded());
    });
  }
  EXPECT_TRUE(ran);
}

TEST_F(SplashTest, ASplashNeverShownClosesWithoutWaiting) {
  const auto start = fake.clock.now;
  { Splash splash; }
  EXPECT_EQ(fake.clock.now, start);
}

TEST_F(SplashTest, ClosedByTheProgramItWaitsToo) {
  const auto start = fake.clock.now;
  Splash splash;
  splash.ShowMain();
  splash.frm().Form().Unload();
  EXPECT_EQ(fake.clock.now - start, 2000ms);
  EXPECT_FALSE(window().IsLoaded());
}

}  // namespace
}  // namespace sigpatch
