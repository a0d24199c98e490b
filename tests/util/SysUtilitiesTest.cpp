#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fakes/FakeForm.h"
#include "fakes/FakeServices.h"
#include "platform/FileSystemBehaviour.h"
#include "runtime/Text.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

using testing::errorOf;

class SysUtilitiesTest : public ::testing::Test {
 protected:
  fakes::FakeServices fake;
  fakes::FakeSystem& system = fake.system;
  fakes::FakeForm form;
  SysUtilities sys;
};

// In twips, on a screen of 15 twips a pixel whose work area (the fake's) is
// 1024 x 738 pixels, for a form of 4800 x 3600 twips; code -1 is CenterForm.
TEST_F(SysUtilitiesTest, FormsArePlacedInTheWorkArea) {
  const struct {
    platform::Rect area;
    double twipsPerPixel, width;
    std::int32_t code, offset, x, y;
    double left, top;
  } cases[] = {
      {{0, 0, 1024, 738}, 15, 4800, -1, 0, 0, 0, 5280, 3735},
      {{40, 30, 1064, 768}, 15, 4800, -1, 0, 0, 0, 600 + 5280, 450 + 3735},  // beside a task bar
      {{0, 0, 1024, 738}, 15, 20000, -1, 0, 0, 0, -2320, 3735},
      {{0, 0, 1024, 738}, 15, 4800.5, 0, 40, 1, 2, 41, 42},
      {{0, 0, 1024, 738}, 15, 4800.5, 1, 40, 0, 0, 15360 - 40 - 4800.5, 40},
      {{0, 0, 1024, 738}, 15, 4800, 2, 0, 0, 0, 0, 11070 - 3600},
      {{0, 0, 1024, 738}, 15, 4800, 3, 40, 0, 0, 15360 - 40 - 4800, 11070 - 3640},
      // 1.5 → 2 and 4.5 → 4 pixels: 2 wide; half of 1 twip is 1 \ 2 = 0.
      {{1, 0, 3, 738}, 1.5, 1, -1, 0, 0, 0, 2, 3735}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    system.workArea = c.area;
    fake.windowing.screen.twipsPerPixelX = c.twipsPerPixel;
    form.width = c.width;
    c.code < 0 ? sys.CenterForm(form) : sys.PositionForm(form, c.code, c.offset, c.x, c.y);
    EXPECT_DOUBLE_EQ(form.left, c.left);
    EXPECT_DOUBLE_EQ(form.top, c.top);
  }
  const int moves = form.moves;
  for (int code : {5, -1}) sys.PositionForm(form, code, 40, 0, 0);
  EXPECT_EQ(form.moves, moves) << "unknown codes leave the form alone";
  EXPECT_EQ(errorOf([&] { sys.PositionForm(form, 0, INT32_MAX, 1, 0); }), 6) << "an overflow";
  system.workAreaKnown = false;
  fake.windowing.screen.twipsPerPixelX = 15;
  form.width = 4800;
  sys.CenterForm(form);
  EXPECT_EQ(std::pair(form.left, form.top), std::pair(-2400.0, -1800.0)) << "from the origin";
}

TEST_F(SysUtilitiesTest, VersionUpTimeAndErrorTextsAreWrittenAsTheSystemDoes) {
  constexpr std::uint32_t k98 = (4u << 24) | (10u << 16) | 2222u;
  const std::pair<platform::OsVersionInfo, const char16_t*> versions[] = {
      {{6, 1, 0, 100, u"Debian GNU/Linux 12 (bookworm)"},
       u"Linux V6.1.0 Debian GNU/Linux 12 (bookworm)"},
      {{5, 1, 2600, 2, u"Service Pack 2"}, u"Windows NT V5.1.2600 Service Pack 2"},
      {{4, 0, 950, 1, u""}, u"Windows 95 V4.0.950 "},
      {{4, 10, k98, 1, u" A "}, u"Windows 98 V4.10.2222  A "},
      {{4, 90, 3000, 1, u""}, u"Windows 9X V4.90.3000 "},
      {{3, 10, 0, 0, std::u16string(u"SP\0junk", 7)}, u"Win32s V3.10.0 SP"},
      {{1, 2, 3, 7, u"x"}, u"Unknown V1.2.3 x"}};
  for (const auto& [record, text] : versions) {
    system.version = record;
    EXPECT_EQ(sys.GetOSVersionString(), text);
  }
  system.version = {4, 10, k98, 1, u"A"};
  EXPECT_EQ(sys.GetBuildNumber(), 2222);
  system.version.dwPlatformId = 2;  // the NT family's build number is whole
  EXPECT_EQ(sys.GetBuildNumber(), static_cast<std::int32_t>(k98));
  system.versionKnown = false;
  EXPECT_EQ(sys.GetOSVersionString(), u"Win32s V0.0.0 ");
  const std::pair<std::uint32_t, const char16_t*> upTimes[] = {
      {93784000, u"1 days 02:03:04"},    {5025000, u"01:23:45"}, {59999, u"00:00:59"},
      {86400000, u"1 days 00:00:00"},    {0, u"00:00:00"},       {2147483648u, u"24 days 20:31:23"},
      {4294967295u, u"49 days 17:02:47"}};
  for (const auto& [ticks, text] : upTimes) {
    system.tickCount = ticks;
    EXPECT_EQ(sys.UpTime(), text);
  }
  system.messages[2] = u"The system cannot find the file specified.\r\n";
  EXPECT_EQ(sys.ApiErrorText(2), u"The system cannot find the file specified.\r\n");
  EXPECT_EQ(sys.ApiErrorText(-1), u"Error (-1) not defined.");
  system.domainFault = 429;
  EXPECT_EQ(sys.GetUserDomain(), u"") << "a fault of the system";
}

TEST_F(SysUtilitiesTest, DesktopAndSessionCommandsReachTheSystem) {
  for (bool on : {false, true}) sys.Taskbar(on);
  for (bool on : {true, false}) sys.DisableCtrlAltDel(on);
  EXPECT_TRUE(sys.StartScreenSaver());
  EXPECT_TRUE(sys.PowerSaveMonitor(2));
  sys.LogOffWindows();
  sys.ShutDownWindows();
  sys.RestartWindows();
  sys.Aboutbox(form);
  EXPECT_EQ(system.commands,
            (std::vector<std::u16string>{
                u"ShowTaskbar false", u"ShowTaskbar true", u"SetScreenSaverRunning true",
                u"SetScreenSaverRunning false", u"StartScreenSaver", u"SetMonitorPower 2",
                u"ExitWindows 0", u"ExitWindows 1", u"ExitWindows 2"}));
  system.commandFault = 53;
  EXPECT_FALSE(sys.StartScreenSaver()) << "false when the system raises";
  EXPECT_FALSE(sys.PowerSaveMonitor(1));
  ASSERT_EQ(system.abouts.size(), 1u);
  EXPECT_EQ(system.abouts[0].hWnd, 0x1234);
  EXPECT_EQ(system.abouts[0].szApp, u"Sigpatch 1.01.02");
  EXPECT_EQ(system.abouts[0].hIcon, 0x5678);
  const auto before = fake.clock.ticks;
  sys.Wait(250);
  sys.Wait(-5);
  EXPECT_EQ(fake.clock.ticks - before, std::chrono::milliseconds(250));
  EXPECT_EQ(fake.windowing.doEventsCalls, 0) << "Wait lets no events run";
}

TEST_F(SysUtilitiesTest, AlwaysOnTopPassesTheFormsPlaceInPixels) {
  form.left = 1500;
  form.top = 3007.5;  // 200.5 pixels: the half goes to the even 200
  form.width = 4800;
  form.height = 3622.5;                         // 241.5 → 242
  fake.windowing.screen.twipsPerPixelX = 14.6;  // rounded to 15 first
  sys.AlwaysOnTop(form, true);
  sys.AlwaysOnTop(form, false);
  EXPECT_EQ(system.windowPositions,
            (std::vector<fakes::WindowPosCall>{{0x1234, -1, 100, 200, 320, 242, 3},
                                               {0x1234, -2, 100, 200, 320, 242, 3}}));
  fake.windowing.screen.twipsPerPixelY = 0.4;  // a pixel of 0 twips
  EXPECT_EQ(errorOf([&] { sys.AlwaysOnTop(form, true); }), 11);
  EXPECT_EQ(system.windowPositions.size(), 2u);
}

TEST_F(SysUtilitiesTest, EncipherStringTwiceGivesTheTextBackAndDependsOnTheKeysSeed) {
  std::mt19937 random(20261206);
  auto randomText = [&](std::size_t maxLength) {
    std::u16string text(random() % (maxLength + 1), u'\0');
    for (auto& c : text) c = text::ansiToChar(static_cast<unsigned char>(random() & 0xFF));
    return text;
  };
  for (int round = 0; round < 500; ++round) {
    const std::u16string text = randomText(64), key = randomText(12);
    const std::u16string scrambled = sys.EncipherString(text, key);
    ASSERT_EQ(scrambled.size(), text.size());
    ASSERT_EQ(sys.EncipherString(scrambled, key), text);
  }
  const std::u16string text = u"Ferrolite Sigpatch 1.01.02";
  const std::u16string scrambled = sys.EncipherString(text, u"secret");
  EXPECT_NE(scrambled, text);
  EXPECT_NE(sys.EncipherString(text, u"Secret"), scrambled);
  // A NUL folds to the seed 0, as the empty key does; a character outside the
  // code page counts as "?".
  EXPECT_EQ(sys.EncipherString(text, std::u16string(1, u'\0')), sys.EncipherString(text, u""));
  EXPECT_EQ(sys.EncipherString(sys.EncipherString(u"\u03A9", u"k"), u"k"), u"?");
  EXPECT_EQ(sys.EncipherString(text, u"\u03A9"), sys.EncipherString(text, u"?"));
}

}  // namespace
}  // namespace sigpatch
