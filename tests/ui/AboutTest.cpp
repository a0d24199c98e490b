#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/AppMain.h"
#include "app/Application.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeProcesses.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "registry/RegUtilities.h"
#include "resources/VersionInfo.h"
#include "runtime/PathStyle.h"
#include "ui/About.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "util/SysUtilities.h"

namespace sigpatch {
namespace {

constexpr std::u16string_view kMsinfo =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr std::u16string_view kLocation =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::u16string_view kUnavailable = u"System Information Is Unavailable At This Time";

// The shared tools folder of the system-information program, in the system's
// own path style, and the program in it.
const std::u16string kToolsFolder =
    runtime::kNativePathStyle == runtime::PathStyle::Windows
        ? u"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo"
        : u"/opt/tools/msinfo";
const std::u16string kToolsProgram =
    kToolsFolder + runtime::separatorOf(runtime::kNativePathStyle) + u"MSINFO32.EXE";

class AboutTest : public ::testing::Test {
 protected:
  AboutTest() {
    system.tickCount = 90061000;  // one day, one hour, one minute and one second
    fake.Set([&](platform::Platform& services) {
      services.system = &system;
      services.registry = &registry;
      services.processes = &processes;
      services.fileSystem = &files;
    });
  }

  toolkit::headless::HeadlessWindow& window() { return fake.windowing.Form(u"frmAbout"); }
  toolkit::headless::HeadlessRichTextBox& text() { return window().RichTextBoxNamed(u"txtText"); }
  std::u16string informationLines() {
    SysUtilities sys;
    return u"Sigpatch V1.01.02\r\nFerrolite\r\n" + sys.GetOSVersionString() +
           u"\r\nSystem UpTime: " + sys.UpTime() +
           u"\r\n\r\nChecks for definition updates in a specified location and applies "
           u"them.\r\n\r\nFerrolite\r\n\r\n";
  }
  void SetValue(std::u16string_view key, std::u16string_view name, std::u16string_view value) {
    RegUtilities().SetKeyValue(key, name, Variant(value), u"REG_SZ");
  }

  fakes::FakePlatform fake;
  fakes::FakeSystem system;
  fakes::FakeRegistry registry;
  fakes::FakeProcesses processes;
  fakes::FakeFileSystemService files;
};

TEST_F(AboutTest, MadeLoadedWithTheInformationLines) {
  About about;
  EXPECT_TRUE(window().IsLoaded());
  EXPECT_FALSE(window().IsVisible());
  EXPECT_EQ(window().Caption(), u"About Sigpatch");
  EXPECT_EQ(text().Text(), informationLines());
  EXPECT_EQ(text().SelStart(), 0);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(AboutTest, TheUpTimeLineHasTheSystemsUpTime) {
  About about;
  EXPECT_NE(text().Text().find(u"\r\nSystem UpTime: 1 days 01:01:01\r\n"), std::u16string::npos);
}

TEST_F(AboutTest, AddedLinesFollowAndTheBoxShowsItsTop) {
  About about;
  about.AddText(u"one");
  about.AddText(u"");
  about.AddText(u"two\r\n");
  EXPECT_EQ(text().Text(), informationLines() + u"one\r\n\r\ntwo\r\n\r\n");
  EXPECT_EQ(text().SelStart(), 0);
  EXPECT_EQ(text().SelLength(), 0);
}

TEST_F(AboutTest, TheApplicationShowsTheUsageModal) {
  Application app;
  std::u16string shown;
  fake.windowing.QueueWhenShown(u"frmAbout", [&](auto& box) {
    shown = box.RichTextBoxNamed(u"txtText").Text();
    box.ButtonNamed(u"cmdOK").Click();
  });
  app.ShowAboutBox(1);
  EXPECT_EQ(shown, informationLines() +
                       u"Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]\r\n"
                       u"  /Path\t\tSpecify a source directory\r\n"
                       u"  /SetDef\t\tSets the specified path as default\r\n"
                       u"  /Silent\t\tNo output to the screen\r\n"
                       u"  /Minimized\tRun minimized\r\n"
                       u"  /?\t\tThis information\r\n");
  // Closed and gone with its About object.
  EXPECT_EQ(fake.windowing.FindForm(u"frmAbout"), nullptr);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(AboutTest, AModelessBoxOutlivesItsAboutObjectUntilClosed) {
  Application app;
  app.ShowAboutBox(0);
  EXPECT_TRUE(window().IsVisible());
  window().PressEscape();
  EXPECT_FALSE(window().IsLoaded());
  fake.windowing.DoEvents();
  EXPECT_EQ(fake.windowing.FindForm(u"frmAbout"), nullptr);
}

TEST_F(AboutTest, EnterAndTheCloseBoxCloseItToo) {
  Application app;
  {
    About about;
    about.SetApplication(&app);
    about.ShowMain(0);
    window().PressEnter();
    EXPECT_FALSE(window().IsLoaded());
  }
  {
    About about;
    about.SetApplication(&app);
    about.ShowMain(0);
    window().ClickCloseBox();
    EXPECT_FALSE(window().IsLoaded());
  }
}

TEST_F(AboutTest, WithoutTheApplicationShowMainReportsTheFault) {
  About about;
  about.ShowMain(0);
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"sigpatch.frmAbout.InitMyObjects: 91, Object variable or With block variable not set");
  EXPECT_TRUE(window().IsVisible());
}

TEST_F(AboutTest, AnAboutObjectNeverShownTakesItsWindowAlong) {
  { About about; }
  EXPECT_EQ(fake.windowing.FindForm(u"frmAbout"), nullptr);
}

TEST_F(AboutTest, AnotherShowModeIsReported) {
  Application app;
  About about;
  about.SetApplication(&app);
  about.ShowMain(2);
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"sigpatch.About.ShowMain: 5, Invalid procedure call or argument");
  EXPECT_FALSE(window().IsVisible());
}

TEST_F(AboutTest, TheLink) {
  About about;
  auto& link = window().LabelNamed(u"lblLink");
  EXPECT_EQ(about.Link(), resources::kLink);
  EXPECT_EQ(link.Caption(), resources::kLink);
  EXPECT_TRUE(link.Visible());
  EXPECT_EQ(link.ForeColor(), 0xFF0000);
  EXPECT_TRUE(link.Font().Underline);
  EXPECT_EQ(link.Font().Name, u"MS Sans Serif");
  EXPECT_EQ(link.Font().Size, 8.25);
  EXPECT_EQ(link.ToolTipText(), u"Click Me");
  EXPECT_EQ(link.MousePointer(), toolkit::kPointerCustom);
  EXPECT_EQ(link.MouseIcon().Handle(), window().ImageNamed(u"imgCur").Picture().Handle());
  EXPECT_EQ(link.MouseIcon().ResourceName(), u"link-pointer.png");
  link.Click();
  ASSERT_EQ(processes.shellCalls.size(), 1u);
  EXPECT_EQ(processes.shellCalls[0].operation, u"open");
  EXPECT_EQ(processes.shellCalls[0].file, resources::kLink);
}

TEST_F(AboutTest, TheLinkCanBeChangedAndHidden) {
  About about;
  about.SetLink(u"https://example.org/");
  EXPECT_EQ(window().LabelNamed(u"lblLink").Caption(), u"https://example.org/");
  about.SetShowLink(false);
  EXPECT_FALSE(about.ShowLink());
  EXPECT_FALSE(window().LabelNamed(u"lblLink").Visible());
  window().LabelNamed(u"lblLink").Click();
  EXPECT_EQ(processes.shellCalls.at(0).file, u"https://example.org/");
}

TEST_F(AboutTest, TheMainWindowsIconBecomesTheBoxsIcon) {
  Application app;
  app.SetAM(std::make_unique<AppMain>());
  const auto icon = app.AM()->frm()->Form().Icon();
  fake.windowing.QueueWhenShown(u"frmAbout", [&](auto& box) {
    EXPECT_EQ(box.ImageNamed(u"imgIcon").Picture().Handle(), icon.Handle());
    EXPECT_EQ(box.Icon().Handle(), icon.Handle());
    EXPECT_EQ(box.ImageNamed(u"imgIcon").Width(), 480);
    box.ButtonNamed(u"cmdOK").Click();
  });
  app.ShowAboutBox(1);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(AboutTest, F1InTheApplicationsMainWindowShowsTheBox) {
  Application app;
  app.AM()->frm()->Form().Show();
  fake.windowing.Form(u"frmMain").PressKey(toolkit::kKeyF1);
  auto* box = fake.windowing.FindForm(u"frmAbout");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->IsVisible());
  EXPECT_EQ(box->Icon().Handle(), app.AM()->frm()->Form().Icon().Handle());
}

TEST_F(AboutTest, WithoutAMainWindowTheBoxKeepsItsOwnIcon) {
  Application app;
  app.SetAM(nullptr);  // the factory could not build the controller
  About about;
  about.SetApplication(&app);
  const auto own = window().Icon().Handle();
  about.ShowMain(0);
  EXPECT_EQ(window().Icon().Handle(), own);
  EXPECT_EQ(window().ImageNamed(u"imgIcon").Picture().ResourceName(), u"sigpatch-icon.png");
  app.SetAM(std::make_unique<AppMain>());
  app.AM()->Setfrm(nullptr);
  about.ShowMain(0);
  EXPECT_EQ(window().Icon().Handle(), own);
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(AboutTest, SystemInfoStartsTheProgramNamedUnderMsinfo) {
  SetValue(kMsinfo, u"PATH", u"C:\\Program Files\\Common Files\\msinfo32.exe");
  About about;
  window().ButtonNamed(u"cmdSysInfo").Click();
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine, u"\"C:\\Program Files\\Common Files\\msinfo32.exe\"");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(AboutTest, SystemInfoFindsTheProgramInTheSharedToolsFolder) {
  SetValue(kLocation, u"MSINFO", kToolsFolder);
  files.disk.AddFile(kToolsProgram);
  About about;
  about.frm().StartSysInfo();
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine, u"\"" + kToolsProgram + u"\"");
  EXPECT_TRUE(fake.windowing.messages.empty());
}

TEST_F(AboutTest, SystemInfoWithoutTheProgramSaysItIsUnavailable) {
  SetValue(kLocation, u"MSINFO", kToolsFolder);
  files.disk.AddFolder(kToolsFolder);
  About about;
  about.frm().StartSysInfo();
  EXPECT_TRUE(processes.starts.empty());
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, kUnavailable);
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::OkOnly);
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
}

TEST_F(AboutTest, SystemInfoWithNothingKnownSaysItIsUnavailable) {
  About about;
  about.frm().StartSysInfo();
  EXPECT_TRUE(processes.starts.empty());
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, kUnavailable);
}

TEST_F(AboutTest, AProgramThatCannotBeStartedIsUnavailable) {
  SetValue(kMsinfo, u"PATH", u"/opt/tools/msinfo32");
  processes.startSucceeds = false;
  About about;
  about.frm().StartSysInfo();
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, kUnavailable);
}

TEST_F(AboutTest, TheDesign) {
  About about;
  auto& form = window();
  EXPECT_EQ(form.ScaleWidth(), 6555);
  EXPECT_EQ(form.ScaleHeight(), 4635);
  EXPECT_FALSE(form.Design().MinButton);
  EXPECT_FALSE(form.Design().MaxButton);
  EXPECT_FALSE(form.Design().ShowInTaskbar);
  EXPECT_EQ(form.ImageNamed(u"imgLogo").Picture().ResourceName(), u"logo.png");
  EXPECT_EQ(form.ButtonNamed(u"cmdOK").Caption(), u"OK");
  EXPECT_TRUE(form.ButtonNamed(u"cmdOK").Default());
  EXPECT_TRUE(form.ButtonNamed(u"cmdOK").Cancel());
  EXPECT_EQ(form.ButtonNamed(u"cmdSysInfo").Caption(), u"&System Info...");
  EXPECT_FALSE(form.ImageNamed(u"imgCur").Visible());
  EXPECT_EQ(form.LineNamed(u"lnLogoLine(0)").BorderColor(), 0x808080);
  EXPECT_EQ(form.LineNamed(u"lnLogoLine(1)").BorderColor(), 0xFFFFFF);
  EXPECT_EQ(form.LineNamed(u"lnLogoLine(1)").BorderWidth(), 2);
  EXPECT_EQ(form.LineNamed(u"lnLine(0)").X1(), 105);
  EXPECT_EQ(form.LineNamed(u"lnLine(1)").X1(), 120);
  EXPECT_EQ(form.LineNamed(u"lnLogoLine(0)").Y1(), 1320);
  EXPECT_TRUE(about.ShowLogo());
  EXPECT_TRUE(about.ShowLink());
}

// The layout, in twips; the window's units are 1.0649 twips across and 1.4488
// down, and its margin (the logo's 120 twips across) is 163.2604 twips down.
struct AboutSizes {
  double width, height;
  double sysInfoTop, left, okTop, rule, lineEnd, textWidth, textHeight, linkTop;
};

class AboutLayoutTest : public AboutTest, public ::testing::WithParamInterface<AboutSizes> {
 protected:
  void Check(const AboutSizes& sizes) {
    constexpr double kNear = 1e-3;
    auto& form = window();
    EXPECT_NEAR(form.ButtonNamed(u"cmdSysInfo").Top(), sizes.sysInfoTop, kNear);
    EXPECT_NEAR(form.ButtonNamed(u"cmdSysInfo").Left(), sizes.left, kNear);
    EXPECT_NEAR(form.ButtonNamed(u"cmdOK").Top(), sizes.okTop, kNear);
    EXPECT_NEAR(form.ButtonNamed(u"cmdOK").Left(), sizes.left, kNear);
    for (const auto* name : {u"lnLine(0)", u"lnLine(1)"}) {
      EXPECT_NEAR(form.LineNamed(name).Y1(), sizes.rule, kNear);
      EXPECT_NEAR(form.LineNamed(name).Y2(), sizes.rule, kNear);
    }
    for (const auto* name : {u"lnLine(0)", u"lnLine(1)", u"lnLogoLine(0)", u"lnLogoLine(1)"}) {
      EXPECT_NEAR(form.LineNamed(name).X2(), sizes.lineEnd, kNear);
    }
    EXPECT_EQ(form.LineNamed(u"lnLogoLine(0)").Y1(), 1320);
    EXPECT_EQ(form.LineNamed(u"lnLogoLine(0)").X1(), 135);
    EXPECT_NEAR(text().Width(), sizes.textWidth, kNear);
    EXPECT_NEAR(text().Height(), sizes.textHeight, kNear);
  }
};

TEST_P(AboutLayoutTest, WithTheLogo) {
  const auto sizes = GetParam();
  Application app;
  About about;
  about.SetApplication(&app);
  about.ShowMain(0);
  window().UserResize(sizes.width, sizes.height);
  Check(sizes);
  EXPECT_EQ(text().Top(), 1440);
  EXPECT_EQ(window().ImageNamed(u"imgIcon").Top(), 1440);
  EXPECT_EQ(window().LabelNamed(u"lblLink").Top(), 960);
  EXPECT_TRUE(window().ImageNamed(u"imgLogo").Visible());
}

TEST_P(AboutLayoutTest, WithoutTheLogo) {
  const auto sizes = GetParam();
  Application app;
  About about;
  about.SetApplication(&app);
  about.ShowMain(0);
  window().UserResize(sizes.width, sizes.height);
  about.SetShowLogo(false);
  Check(sizes);
  EXPECT_FALSE(about.ShowLogo());
  EXPECT_FALSE(window().ImageNamed(u"imgLogo").Visible());
  EXPECT_FALSE(window().LineNamed(u"lnLogoLine(0)").Visible());
  EXPECT_FALSE(window().LineNamed(u"lnLogoLine(1)").Visible());
  // Icon and text move up into the logo's place; the text keeps its height.
  EXPECT_EQ(text().Top(), 120);
  EXPECT_EQ(window().ImageNamed(u"imgIcon").Top(), 120);
  EXPECT_NEAR(window().LabelNamed(u"lblLink").Top(), sizes.linkTop, 1e-3);
  EXPECT_EQ(window().LabelNamed(u"lblLink").Left(), 120);
}

INSTANTIATE_TEST_SUITE_P(NormalAndTiny, AboutLayoutTest,
                         ::testing::Values(AboutSizes{6555, 4635, 4126.7396, 5100, 3700.1094,
                                                      3618.4792, 6435, 5715, 2096.849, 4276.7396},
                                           AboutSizes{100, 100, 408.2604, 1355, 834.8906, 916.5208,
                                                      20, 740, 2438.151, 258.2604},
                                           AboutSizes{0, 0, 508.2604, 1455, 934.8906, 1016.5208,
                                                      120, 840, 2538.151, 358.2604}));

TEST_F(AboutTest, TheCreationLaysTheBoxOut) {
  About about;
  EXPECT_NEAR(window().ButtonNamed(u"cmdSysInfo").Top(), 4126.7396, 1e-3);
  EXPECT_NEAR(text().Height(), 2096.849, 1e-3);
}

}  // namespace
}  // namespace sigpatch
