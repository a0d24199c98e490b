#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fakes/FakeForm.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeSystem.h"
#include "runtime/RuntimeError.h"
#include "runtime/Text.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

class PositionFormTest : public ::testing::Test {
 protected:
  PositionFormTest() {
    fake.Set([&](platform::Platform& services) { services.system = &system; });
  }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  fakes::FakeForm form;
  SysUtilities sys;
};

TEST_F(PositionFormTest, CentresInTheWorkArea) {
  sys.CenterForm(form);
  EXPECT_EQ(form.left, 5280);
  EXPECT_EQ(form.top, 3735);
}

TEST_F(PositionFormTest, CentresRelativeToAWorkAreaBesideTheTaskBar) {
  system.workArea = {40, 30, 1064, 768};  // task bar on the left and at the top
  sys.CenterForm(form);
  EXPECT_EQ(form.left, 600 + 5280);
  EXPECT_EQ(form.top, 450 + 3735);
}

TEST_F(PositionFormTest, ALargerFormLiesLeftOfTheWorkArea) {
  form.width = 20000;
  sys.CenterForm(form);
  EXPECT_EQ(form.left, -2320);
}

TEST_F(PositionFormTest, PlacesInTheCornersKeepingTheFormsFraction) {
  form.width = 4800.5;
  sys.PositionForm(form, 0, 40, 1, 2);
  EXPECT_EQ(form.left, 41);
  EXPECT_EQ(form.top, 42);
  sys.PositionForm(form, 1, 40, 0, 0);
  EXPECT_DOUBLE_EQ(form.left, 15360 - 40 - 4800.5);
  EXPECT_EQ(form.top, 40);
  sys.PositionForm(form, 3, 40, 0, 0);
  EXPECT_EQ(form.top, 11070 - 40 - 3600);
  sys.PositionForm(form, 2, 0, 0, 0);
  EXPECT_EQ(form.left, 0);
}

TEST_F(PositionFormTest, UnknownCodesLeaveTheFormAlone) {
  for (int code : {5, -1}) sys.PositionForm(form, code, 40, 0, 0);
  EXPECT_EQ(form.moves, 0);
}

TEST_F(PositionFormTest, PlacesFromTheOriginWhenTheWorkAreaIsUnknown) {
  system.workAreaKnown = false;
  sys.CenterForm(form);
  EXPECT_EQ(form.left, -2400);
  EXPECT_EQ(form.top, -1800);
}

TEST_F(PositionFormTest, RoundsHalvesToEven) {
  fake.windowing.screen.twipsPerPixelX = 1.5;
  system.workArea = {1, 0, 3, 738};  // 1.5 → 2, 4.5 → 4: the work area is 2 wide
  form.width = 1;                    // half(1) = 1 \ 2 = 0
  sys.CenterForm(form);
  EXPECT_EQ(form.left, 2);
}

TEST_F(PositionFormTest, OverflowingSumsAreAFault) {
  try {
    sys.PositionForm(form, 0, INT32_MAX, 1, 0);
    FAIL() << "the sum leaves the 32-bit range";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
}

class SysUtilitiesTest : public ::testing::Test {
 protected:
  SysUtilitiesTest() {
    fake.Set([&](platform::Platform& services) { services.system = &system; });
  }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  fakes::FakeForm form;
  SysUtilities sys;
};

struct VersionCase {
  platform::OsVersionInfo record;
  const char16_t* text;
};

class OsVersionStringTest : public SysUtilitiesTest,
                            public ::testing::WithParamInterface<VersionCase> {};

INSTANTIATE_TEST_SUITE_P(
    Records, OsVersionStringTest,
    ::testing::Values(
        VersionCase{{6, 1, 0, 100, u"Debian GNU/Linux 12 (bookworm)"},
                    u"Linux V6.1.0 Debian GNU/Linux 12 (bookworm)"},
        VersionCase{{5, 1, 2600, 2, u"Service Pack 2"}, u"Windows NT V5.1.2600 Service Pack 2"},
        VersionCase{{4, 0, 950, 1, u""}, u"Windows 95 V4.0.950 "},
        VersionCase{{4, 10, (4u << 24) | (10u << 16) | 2222u, 1, u" A "},
                    u"Windows 98 V4.10.2222  A "},
        VersionCase{{4, 90, 3000, 1, u""}, u"Windows 9X V4.90.3000 "},
        VersionCase{{3, 10, 0, 0, std::u16string(u"SP\0junk", 7)}, u"Win32s V3.10.0 SP"},
        VersionCase{{1, 2, 3, 7, u"x"}, u"Unknown V1.2.3 x"}));

TEST_P(OsVersionStringTest, NamesTheSystemItsVersionAndServicePack) {
  system.version = GetParam().record;
  EXPECT_EQ(sys.GetOSVersionString(), GetParam().text);
}

TEST_F(SysUtilitiesTest, VersionParts) {
  system.version = {4, 10, (4u << 24) | (10u << 16) | 2222u, 1, u"A"};
  EXPECT_EQ(sys.GetMajorVersion(), 4);
  EXPECT_EQ(sys.GetMinorVersion(), 10);
  EXPECT_EQ(sys.GetBuildNumber(), 2222);
  EXPECT_EQ(sys.GetPlatformId(), 1);
  EXPECT_EQ(sys.GetCSDVersion(), u"A");
  system.version.dwPlatformId = 2;
  EXPECT_EQ(sys.GetBuildNumber(), static_cast<std::int32_t>((4u << 24) | (10u << 16) | 2222u));
  system.versionKnown = false;
  EXPECT_EQ(sys.GetOSVersionString(), u"Win32s V0.0.0 ");
}

struct UpTimeCase {
  std::uint32_t ticks;
  const char16_t* text;
};

class UpTimeTest : public SysUtilitiesTest, public ::testing::WithParamInterface<UpTimeCase> {};

INSTANTIATE_TEST_SUITE_P(
    Ticks, UpTimeTest,
    ::testing::Values(UpTimeCase{93784000, u"1 days 02:03:04"}, UpTimeCase{5025000, u"01:23:45"},
                      UpTimeCase{59999, u"00:00:59"}, UpTimeCase{86400000, u"1 days 00:00:00"},
                      UpTimeCase{0, u"00:00:00"}, UpTimeCase{2147483648u, u"24 days 20:31:23"},
                      UpTimeCase{4294967295u, u"49 days 17:02:47"}));

TEST_P(UpTimeTest, WritesDaysHoursMinutesAndSeconds) {
  system.tickCount = GetParam().ticks;
  EXPECT_EQ(sys.UpTime(), GetParam().text);
}

TEST_F(SysUtilitiesTest, ApiErrorTextGivesTheSystemsTextOrSaysItIsNotDefined) {
  system.messages[2] = u"The system cannot find the file specified.\r\n";
  EXPECT_EQ(sys.ApiErrorText(2), u"The system cannot find the file specified.\r\n");
  EXPECT_EQ(sys.ApiErrorText(123456), u"Error (123456) not defined.");
  EXPECT_EQ(sys.ApiErrorText(-1), u"Error (-1) not defined.");
}

TEST_F(SysUtilitiesTest, NamesOfUserDomainAndMachine) {
  EXPECT_EQ(sys.GetUserID(), u"alice");
  EXPECT_EQ(sys.GetUserDomain(), u"example.org");
  EXPECT_EQ(sys.GetMachineName(), u"buildhost");
  system.userName.clear();
  system.userDomain.clear();
  system.computerName.clear();
  EXPECT_EQ(sys.GetUserID(), u"");
  EXPECT_EQ(sys.GetUserDomain(), u"");
  EXPECT_EQ(sys.GetMachineName(), u"");
  system.domainFault = 429;
  EXPECT_EQ(sys.GetUserDomain(), u"");
}

TEST_F(SysUtilitiesTest, DesktopAndSessionCommandsReachTheSystem) {
  sys.Taskbar(false);
  sys.Taskbar(true);
  sys.DisableCtrlAltDel(true);
  sys.DisableCtrlAltDel(false);
  EXPECT_TRUE(sys.StartScreenSaver());
  EXPECT_TRUE(sys.PowerSaveMonitor(2));
  EXPECT_TRUE(sys.PowerSaveMonitor(-1));
  sys.LogOffWindows();
  sys.ShutDownWindows();
  sys.RestartWindows();
  EXPECT_EQ(system.commands,
            (std::vector<std::u16string>{
                u"ShowTaskbar false", u"ShowTaskbar true", u"SetScreenSaverRunning true",
                u"SetScreenSaverRunning false", u"StartScreenSaver", u"SetMonitorPower 2",
                u"SetMonitorPower -1", u"ExitWindows 0", u"ExitWindows 1", u"ExitWindows 2"}));
}

TEST_F(SysUtilitiesTest, ScreenSaverAndMonitorGiveFalseWhenTheSystemRaises) {
  system.commandFault = 53;
  EXPECT_FALSE(sys.StartScreenSaver());
  EXPECT_FALSE(sys.PowerSaveMonitor(1));
  EXPECT_EQ(system.commands.size(), 2u);
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
}

TEST_F(SysUtilitiesTest, AlwaysOnTopDividesByZeroOnAScreenOfTinyPixels) {
  fake.windowing.screen.twipsPerPixelY = 0.4;
  try {
    sys.AlwaysOnTop(form, true);
    FAIL() << "a pixel of 0 twips";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 11);
    EXPECT_EQ(e.Description(), u"Division by zero");
  }
  EXPECT_TRUE(system.windowPositions.empty());
}

TEST_F(SysUtilitiesTest, AboutboxShowsTitleVersionAndTheMakersNotice) {
  sys.Aboutbox(form);
  ASSERT_EQ(system.abouts.size(), 1u);
  EXPECT_EQ(system.abouts[0].hWnd, 0x1234);
  EXPECT_EQ(system.abouts[0].szApp, u"Sigpatch 1.01.02");
  EXPECT_EQ(system.abouts[0].szOtherStuff, u"Copyright \u00A9 Ferrolite");
  EXPECT_EQ(system.abouts[0].hIcon, 0x5678);
}

TEST_F(SysUtilitiesTest, WaitSleepsWithoutEvents) {
  const auto before = fake.clock.ticks;
  sys.Wait(250);
  EXPECT_EQ(fake.clock.ticks - before, std::chrono::milliseconds(250));
  sys.Wait(-5);
  EXPECT_EQ(fake.clock.ticks - before, std::chrono::milliseconds(250));
  EXPECT_EQ(fake.windowing.doEventsCalls, 0);
}

// A random text of single-byte characters.
std::u16string randomText(std::mt19937& random, std::size_t maxLength) {
  std::u16string text(random() % (maxLength + 1), u'\0');
  for (auto& c : text) c = text::ansiToChar(static_cast<unsigned char>(random() & 0xFF));
  return text;
}

TEST_F(SysUtilitiesTest, EncipherStringTwiceGivesTheTextBack) {
  std::mt19937 random(20261206);
  for (int round = 0; round < 500; ++round) {
    const std::u16string text = randomText(random, 64);
    const std::u16string key = randomText(random, 12);
    const std::u16string scrambled = sys.EncipherString(text, key);
    ASSERT_EQ(scrambled.size(), text.size());
    ASSERT_EQ(sys.EncipherString(scrambled, key), text);
  }
}

TEST_F(SysUtilitiesTest, EncipherStringDependsOnlyOnTheKeysSeed) {
  const std::u16string text = u"Ferrolite Sigpatch 1.01.02";
  const std::u16string scrambled = sys.EncipherString(text, u"secret");
  EXPECT_NE(scrambled, text);
  EXPECT_EQ(sys.EncipherString(text, u"secret"), scrambled);
  EXPECT_NE(sys.EncipherString(text, u"Secret"), scrambled);
  // A NUL folds to the seed 0, as the empty key does.
  EXPECT_EQ(sys.EncipherString(text, std::u16string(1, u'\0')), sys.EncipherString(text, u""));
  EXPECT_EQ(sys.EncipherString(u"", u"secret"), u"");
  // A character outside the code page counts as "?".
  EXPECT_EQ(sys.EncipherString(sys.EncipherString(u"\u03A9", u"k"), u"k"), u"?");
  EXPECT_EQ(sys.EncipherString(text, u"\u03A9"), sys.EncipherString(text, u"?"));
}

}  // namespace
}  // namespace sigpatch
