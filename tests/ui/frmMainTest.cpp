#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "runtime/RuntimeError.h"
#include "ui/frmMain.h"

namespace sigpatch {
namespace {

using namespace std::chrono_literals;
using toolkit::headless::ColoredText;

class frmMainTest : public ::testing::Test {
 protected:
  frmMainTest() {
    fake.Set([&](platform::Platform& services) { services.system = &system; });
    start = fake.clock.now;
    frm.emplace();
    frm->InitMyObjects(nullptr, nullptr);
    frm->AboutRequested.connect([this] { ++aboutRequests; });
  }

  toolkit::headless::HeadlessWindow& window() { return fake.windowing.Form(u"frmMain"); }
  toolkit::headless::HeadlessRichTextBox& box() { return window().RichTextBoxNamed(u"tboOutput"); }
  toolkit::headless::HeadlessImage& pin() { return window().ImageNamed(u"imgPin"); }
  bool pinShowsPinned() {
    return pin().Picture().Handle() == window().ImageNamed(u"imgPinned").Picture().Handle();
  }
  bool pinShowsUnpinned() {
    return pin().Picture().Handle() == window().ImageNamed(u"imgUnpinned").Picture().Handle();
  }
  bool aboutShown() const { return aboutRequests > 0; }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  int aboutRequests = 0;
  platform::Clock::TimePoint start;
  std::optional<frmMain> frm;
};

TEST_F(frmMainTest, MadeHiddenAndUnloaded) {
  EXPECT_FALSE(window().IsLoaded());
  EXPECT_EQ(box().Text(), u"");
  EXPECT_EQ(window().Caption(), u"Sigpatch");
  EXPECT_EQ(window().ScaleWidth(), 6375);
  EXPECT_EQ(window().ScaleHeight(), 3735);
  EXPECT_TRUE(window().Design().KeyPreview);
  EXPECT_EQ(window().Icon().ResourceName(), u"sigpatch-icon.png");
  EXPECT_EQ(pin().ToolTipText(), u"Push to pin me down");
  EXPECT_EQ(frm->sbInfo().PanelText(u"Info"), u"Some status messages will appear here!");
  EXPECT_EQ(window().ImageNamed(u"imgUnpinned").Picture().ResourceName(), u"pin-unpinned.png");
  EXPECT_EQ(window().ImageNamed(u"imgPinned").Picture().ResourceName(), u"pin-pinned.png");
  EXPECT_FALSE(window().ImageNamed(u"imgUnpinned").Visible());
  EXPECT_FALSE(window().ImageNamed(u"imgPinned").Visible());
}

TEST_F(frmMainTest, LoadingWritesTheTitleLineAndABlankLineAndCentres) {
  frm->Form().Show();
  EXPECT_EQ(box().Text(), u"Sigpatch V1.01.02\r\n \r\n");
  EXPECT_EQ(box().Runs(), (std::vector<ColoredText>{{u"Sigpatch V1.01.02\r\n \r\n", 0}}));
  EXPECT_EQ(window().Caption(), u"Sigpatch");
  EXPECT_TRUE(pinShowsUnpinned());
  // Work area 1024 x 738 pixels of 15 twips; the frame adds 120 x 450.
  EXPECT_EQ(window().Left(), (15360 - 6495) / 2);
  EXPECT_EQ(window().Top(), (11070 - 4185) / 2);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(frmMainTest, TheTitleLineCarriesTheVersion) {
  fake.windowing.app.Major = 2;
  fake.windowing.app.Minor = 10;
  fake.windowing.app.Revision = 105;
  frm->Form().Show();
  EXPECT_EQ(box().Text(), u"Sigpatch V2.10.105\r\n \r\n");
}

TEST_F(frmMainTest, LinesLoseTheirTrailingLineBreaksAndGetOne) {
  frm->Form().Show();
  box().SetText(u"");
  frm->AddText(u"abc\r\n\r\n");
  frm->AddText(u"def");
  frm->AddText(u"g\r\nh");
  frm->AddText(u"i\r");
  EXPECT_EQ(box().Text(), u"abc\r\ndef\r\ng\r\nh\r\ni\r\r\n");
}

TEST_F(frmMainTest, EachLineHasItsColourAndTheDefaultIsBlack) {
  frm->Form().Show();
  box().SetText(u"");
  frm->AddText(u"Installing /srv/sdat4500.exe...", 16711680);
  frm->AddText(u"Installation failed!", 255);
  frm->AddText(u"Finished!");
  EXPECT_EQ(box().Runs(),
            (std::vector<ColoredText>{{u"Installing /srv/sdat4500.exe...\r\n", 16711680},
                                      {u"Installation failed!\r\n", 255},
                                      {u"Finished!\r\n", 0}}));
}

TEST_F(frmMainTest, EachLineLetsQueuedEventsRun) {
  frm->Form().Show();
  bool ran = false;
  fake.windowing.Queue([&] { ran = true; });
  frm->AddText(u"line");
  EXPECT_TRUE(ran);
}

TEST_F(frmMainTest, AnEmptyTextAddsNothingButCountsAsOutput) {
  frm->Form().Show();
  const auto before = box().Text();
  fake.clock.Advance(2500ms);
  frm->AddText(u"");
  EXPECT_EQ(box().Text(), before);
  frm->Terminate();
  EXPECT_EQ(fake.clock.now - start, 5000ms);  // three seconds from 10:00:02
  EXPECT_FALSE(window().IsLoaded());
}

TEST_F(frmMainTest, AFailingStepReplacesTheWholeBoxWithTheLine) {
  frm->Form().Show();
  fake.clock.Advance(10s);
  fake.windowing.Queue([] { throw RuntimeError(err::kOutOfMemory); });
  frm->AddText(u"abc\r\n\r\n");
  EXPECT_EQ(box().Text(), u"abc\r\n");
  EXPECT_TRUE(fake.windowing.messages.empty());
  // The line did not count as output: the three seconds ran out long ago.
  const auto before = fake.clock.now;
  frm->Terminate();
  EXPECT_EQ(fake.clock.now, before);
}

TEST_F(frmMainTest, FileTreeChangesAreBlackLines) {
  frm->Form().Show();
  box().SetText(u"");
  frm->FTC_FileTreeChange(u"Copied /srv/a.dat", 16711680);
  EXPECT_EQ(box().Runs(), (std::vector<ColoredText>{{u"Copied /srv/a.dat\r\n", 0}}));
}

TEST_F(frmMainTest, TerminateRightAfterALineClosesThreeSecondsAfterIt) {
  fake.clock.Advance(700ms);
  frm->Form().Show();
  frm->Terminate();
  // 10:00:00.7 to 10:00:03.0: three second boundaries.
  EXPECT_EQ(fake.clock.now - start, 3000ms);
  EXPECT_FALSE(window().IsLoaded());
}

TEST_F(frmMainTest, TerminateTenSecondsAfterTheLastLineClosesAtOnce) {
  frm->Form().Show();
  fake.clock.Advance(10s);
  const auto before = fake.clock.now;
  frm->Terminate();
  EXPECT_EQ(fake.clock.now, before);
  EXPECT_FALSE(window().IsLoaded());
}

TEST_F(frmMainTest, TerminateTwiceWaitsOnce) {
  frm->Form().Show();
  frm->Terminate();
  const auto after = fake.clock.now;
  frm->Terminate();
  EXPECT_EQ(fake.clock.now, after);
  EXPECT_FALSE(window().IsLoaded());
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(frmMainTest, ALineDuringTheWaitMovesItOn) {
  frm->Form().Show();
  fake.windowing.QueueAfter(2s, [&] { frm->AddText(u"late"); });
  frm->Terminate();
  EXPECT_EQ(fake.clock.now - start, 5000ms);
}

TEST_F(frmMainTest, AHiddenWindowClosesAtOnce) {
  frm->Form().Load();
  frm->AddText(u"silent");
  frm->Terminate();
  EXPECT_EQ(fake.clock.now, start);  // nobody reads a window that is not shown
  EXPECT_FALSE(window().IsLoaded());
}

// The pin and F1, row by row of the window's state table.
TEST_F(frmMainTest, RunningUnpinnedPinClickPins) {
  frm->Form().Show();
  pin().Click();
  EXPECT_TRUE(pinShowsPinned());
  EXPECT_TRUE(window().IsLoaded());
}

TEST_F(frmMainTest, RunningUnpinnedF1PinsAndShowsTheAboutBox) {
  frm->Form().Show();
  window().PressKey(toolkit::kKeyF1);
  EXPECT_TRUE(pinShowsPinned());
  EXPECT_TRUE(aboutShown());
  frm->Terminate();
  EXPECT_TRUE(window().IsLoaded());  // stays open after the run
}

TEST_F(frmMainTest, RunningUnpinnedTerminateClosesAfterTheWait) {
  frm->Form().Show();
  frm->Terminate();
  EXPECT_FALSE(window().IsLoaded());
}

TEST_F(frmMainTest, RunningPinnedPinClickUnpinsWithoutClosing) {
  frm->Form().Show();
  pin().Click();
  pin().Click();
  EXPECT_TRUE(pinShowsUnpinned());
  EXPECT_TRUE(window().IsLoaded());
}

TEST_F(frmMainTest, RunningPinnedF1StaysPinnedAndShowsTheAboutBox) {
  frm->Form().Show();
  pin().Click();
  window().PressKey(toolkit::kKeyF1, 3);
  EXPECT_TRUE(pinShowsPinned());
  EXPECT_TRUE(aboutShown());
}

TEST_F(frmMainTest, RunningPinnedTerminateLeavesItOpen) {
  frm->Form().Show();
  pin().Click();
  frm->Terminate();
  EXPECT_EQ(fake.clock.now - start, 3000ms);
  EXPECT_TRUE(window().IsLoaded());
  EXPECT_TRUE(pinShowsPinned());
}

TEST_F(frmMainTest, FinishedPinnedPinClickClosesAtOnce) {
  frm->Form().Show();
  pin().Click();
  frm->Terminate();
  const auto finished = fake.clock.now;
  pin().Click();
  EXPECT_FALSE(window().IsLoaded());
  EXPECT_EQ(fake.clock.now, finished);
}

TEST_F(frmMainTest, FinishedPinnedF1StaysPinnedAndShowsTheAboutBox) {
  frm->Form().Show();
  pin().Click();
  frm->Terminate();
  window().PressKey(toolkit::kKeyF1);
  EXPECT_TRUE(pinShowsPinned());
  EXPECT_TRUE(aboutShown());
  EXPECT_TRUE(window().IsLoaded());
}

TEST_F(frmMainTest, FinishedPinnedTerminateAgainStaysOpen) {
  frm->Form().Show();
  pin().Click();
  frm->Terminate();
  frm->Terminate();
  EXPECT_TRUE(window().IsLoaded());
}

TEST_F(frmMainTest, PinnedDuringTheFinalWaitTheWindowStays) {
  frm->Form().Show();
  fake.windowing.QueueAfter(1500ms, [&] { pin().Click(); });
  frm->Terminate();
  EXPECT_TRUE(window().IsLoaded());
  EXPECT_TRUE(pinShowsPinned());
}

TEST_F(frmMainTest, PinnedInTheMiddleOfTheRun) {
  frm->Form().Show();
  fake.windowing.Queue([&] { pin().Click(); });
  frm->AddText(u"sdat4500.exe");
  EXPECT_TRUE(pinShowsPinned());
  frm->Terminate();
  EXPECT_TRUE(window().IsLoaded());
}

TEST_F(frmMainTest, PinDownPinsAndLetsEventsRun) {
  frm->Form().Show();
  bool ran = false;
  fake.windowing.Queue([&] { ran = true; });
  frm->PinDown();
  EXPECT_TRUE(pinShowsPinned());
  EXPECT_TRUE(ran);
}

TEST_F(frmMainTest, OtherKeysDoNothing) {
  frm->Form().Show();
  window().PressKey(113);
  window().PressKey(toolkit::kKeyReturn);
  EXPECT_TRUE(pinShowsUnpinned());
  EXPECT_FALSE(aboutShown());
}

TEST_F(frmMainTest, AFaultOfTheAboutBoxIsReportedAndTheWindowStaysPinned) {
  frm->AboutRequested.connect([] { throw RuntimeError(err::kObjectNotSet); });
  frm->Form().Show();
  window().PressKey(toolkit::kKeyF1);
  EXPECT_TRUE(pinShowsPinned());
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"sigpatch.frmMain.Form_KeyUp: 91, Object variable or With block variable not set");
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
}

TEST(frmMainLoadTest, LoadingBeforeInitMyObjectsReportsTheFault) {
  fakes::FakePlatform fake;
  frmMain frm;
  frm.Form().Show();
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"sigpatch.frmMain.Form_Load: 91, Object variable or With block variable not set");
  // The steps before the fault ran; the pin keeps its empty picture.
  EXPECT_EQ(fake.windowing.Form(u"frmMain").RichTextBoxNamed(u"tboOutput").Text(),
            u"Sigpatch V1.01.02\r\n \r\n");
}

TEST_F(frmMainTest, ClosedByItsCloseBoxItTakesLaterLinesQuietly) {
  frm->Form().Show();
  window().ClickCloseBox();
  frm->AddText(u"Finished!");
  frm->Terminate();
  EXPECT_FALSE(window().IsLoaded());
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(frmMainTest, TheStatusTextIsThePanelInfo) {
  frm->Form().Show();
  frm->sbInfo().SetPanelText(u"Info", u"Copying");
  frm->sbInfo().Refresh();
  EXPECT_EQ(window().StatusBarNamed(u"sbInfo").PanelText(u"INFO"), u"Copying");
  EXPECT_EQ(window().StatusBarNamed(u"sbInfo").Refreshes(), 1);
}

struct MainSizes {
  double width, height;
  double pinLeft, boxWidth, boxHeight;
};

class frmMainResizeTest : public frmMainTest, public ::testing::WithParamInterface<MainSizes> {};

TEST_P(frmMainResizeTest, TheBoxFillsTheWindowUpToThePin) {
  const auto sizes = GetParam();
  frm->Form().Show();
  window().UserResize(sizes.width, sizes.height);
  EXPECT_EQ(pin().Left(), sizes.pinLeft);
  EXPECT_EQ(pin().Top(), 120);
  EXPECT_EQ(box().Width(), sizes.boxWidth);
  EXPECT_EQ(box().Height(), sizes.boxHeight);
  EXPECT_EQ(box().Left(), 120);
  EXPECT_EQ(box().Top(), 120);
}

// The unpinned pin is 16 x 11 pixels: 240 twips wide.
INSTANTIATE_TEST_SUITE_P(NormalAndTiny, frmMainResizeTest,
                         ::testing::Values(MainSizes{6375, 3735, 6015, 5775, 3120},
                                           MainSizes{9000, 6000, 8640, 8400, 5385},
                                           MainSizes{100, 100, 260, 20, 515},
                                           MainSizes{0, 0, 360, 120, 615}));

TEST_F(frmMainTest, TheFirstShowingLaysTheWindowOut) {
  frm->Form().Show();
  EXPECT_EQ(pin().Left(), 6015);
  EXPECT_EQ(box().Width(), 5775);
  EXPECT_EQ(box().Height(), 3120);
}

TEST_F(frmMainTest, ThePinnedPinIsNarrower) {
  frm->Form().Show();
  pin().Click();
  window().UserResize(6375, 3735);
  EXPECT_EQ(pin().Width(), 180);
  EXPECT_EQ(pin().Left(), 6075);
  EXPECT_EQ(box().Width(), 5835);
}

}  // namespace
}  // namespace sigpatch
