// The run control: the run header, the options, the settings and their
// defaults, and how the source folder is settled.

#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/RunFixture.h"
#include "runtime/PathStyle.h"
#include "toolkit/Window.h"

namespace sigpatch::testing {
namespace {

class RunControlTest : public RunFixture {
 protected:
  RunControlTest() {
    files.disk.AddFolder(native(u"/updates"));
    files.disk.AddFolder(native(u"/srv/updates"));
    fake.windowing.folders.AddFolder(native(u"/srv/sigfetch"));
    fake.windowing.folders.AddFolder(native(u"/updates"));
  }
};

TEST_F(RunControlTest, AFirstStartAsksForTheFolderAndStoresIt) {
  Store(kDownloaderKey, u"LocalPath", native(u"/srv/sigfetch"));
  AnswerChooser(native(u"/updates"));
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(chooserProposal, native(u"/srv/sigfetch/"));
  EXPECT_EQ(Setting(u"LatestRunDate"), u"2026-12-06 10:00:00");
  EXPECT_EQ(Setting(u"LatestRunVersion"), u"Sigpatch V1.01.02");
  EXPECT_EQ(Setting(u"SDATParam"), u"/SILENT /REBOOT");
  EXPECT_EQ(Setting(u"FileMask"), u"sdat*.exe");
  EXPECT_EQ(Setting(u"Path"), native(u"/updates/"));
  EXPECT_EQ(RunLines()[0],
            (Line{u"Looking for SDAT*.EXE Updates in " + native(u"/updates/") + u"...", kBlack}));
}

TEST_F(RunControlTest, AFirstStartWithoutADownloaderProposesNothing) {
  AnswerChooser(native(u"/updates"));
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(chooserProposal,
            fake.windowing.folders.current +
                runtime::separatorOf(runtime::kNativePathStyle));  // the drive's current folder
}

TEST_F(RunControlTest, ACancelledChooserEndsTheRunQuietly) {
  AnswerChooser(std::nullopt);
  const auto start = fake.clock.now;
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(Setting(u"Path"), u"<missing>");
  EXPECT_EQ(Setting(u"SDATParam"), u"/SILENT /REBOOT");
  EXPECT_EQ(Setting(u"FileMask"), u"sdat*.exe");
  EXPECT_EQ(Setting(u"LatestUpdate"), u"<missing>");
  EXPECT_EQ(Lines().size(), 2u);  // the title and the blank line
  EXPECT_TRUE(fake.windowing.messages.empty());
  EXPECT_FALSE(MainWindowOpen());
  EXPECT_GE(fake.clock.now - start, std::chrono::seconds(3));
}

TEST_F(RunControlTest, AFirstStartWithAFolderRunsAndStoresItAsTyped) {
  ASSERT_TRUE(Run(u"/Path:" + native(u"/srv/updates")));
  EXPECT_FALSE(ChooserShown());
  EXPECT_TRUE(fake.windowing.messages.empty());
  EXPECT_EQ(Setting(u"Path"), native(u"/srv/updates"));
  EXPECT_EQ(runFolder, native(u"/srv/updates/"));
}

TEST_F(RunControlTest, AFirstStartWithSetDefAloneAsks) {
  AnswerChooser(native(u"/updates"));
  ASSERT_TRUE(Run(u"/SetDef"));
  EXPECT_EQ(Setting(u"Path"), native(u"/updates/"));
}

TEST_F(RunControlTest, AStoredFolderIsUsedAndNotRewritten) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  registry.calls.clear();
  ASSERT_TRUE(Run(u""));
  EXPECT_FALSE(ChooserShown());
  EXPECT_EQ(runFolder, native(u"/updates/"));
  EXPECT_EQ(Setting(u"Path"), native(u"/updates"));
  // The run header, the two missing defaults and the run's result were
  // written; "Path" was not.
  EXPECT_EQ(registry.calls[fakes::FakeRegistry::Call::SetValueEx], 5);
}

TEST_F(RunControlTest, AFolderOptionWinsOverTheStoredFolderForThisRunOnly) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  ASSERT_TRUE(Run(u"/Path:" + native(u"/srv/updates")));
  EXPECT_EQ(runFolder, native(u"/srv/updates/"));
  EXPECT_EQ(Setting(u"Path"), native(u"/updates"));
}

TEST_F(RunControlTest, SetDefStoresTheFolderOptionAsTyped) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  ASSERT_TRUE(Run(u"/path:" + native(u"/srv/updates") + u" /setdef"));
  EXPECT_EQ(Setting(u"Path"), native(u"/srv/updates"));
  EXPECT_EQ(runFolder, native(u"/srv/updates/"));
}

TEST_F(RunControlTest, AnEmptyFolderOptionProposesTheDownloadersFolder) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  Store(kDownloaderKey, u"LocalPath", native(u"/srv/sigfetch"));
  AnswerChooser(native(u"/srv/updates"));
  ASSERT_TRUE(Run(u"/Path"));
  EXPECT_EQ(chooserProposal, native(u"/srv/sigfetch/"));
  EXPECT_EQ(runFolder, native(u"/srv/updates/"));
  EXPECT_EQ(Setting(u"Path"), native(u"/updates"));
}

TEST_F(RunControlTest, SetDefWithoutAFolderOptionStoresNothing) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  ASSERT_TRUE(Run(u"/SetDef"));
  EXPECT_EQ(Setting(u"Path"), native(u"/updates"));
  EXPECT_EQ(runFolder, native(u"/updates/"));
}

TEST_F(RunControlTest, AFolderOfBlanksIsPassedOnUnchanged) {
  ASSERT_TRUE(Run(u"/Path:\"  \""));
  EXPECT_EQ(runFolder, u"  ");
  EXPECT_EQ(RunLines()[0].text, u"Looking for SDAT*.EXE Updates in   ...");
}

TEST_F(RunControlTest, UsageShowsTheAboutBoxAndStops) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  std::u16string about;
  bool mainWindowShown = true;
  fake.windowing.QueueWhenShown(u"frmAbout", [&](auto& box) {
    about = box.RichTextBoxNamed(u"txtText").Text();
    mainWindowShown = MainWindow().IsVisible();
    box.ButtonNamed(u"cmdOK").Click();
  });
  EXPECT_FALSE(Run(u"/Silent /? /Path:" + native(u"/srv/updates")));
  EXPECT_NE(about.find(u"Sigpatch [/Path:\"C:\\Updates\" [/SetDef]] [/Silent] [/Minimized] [/?]\r\n"
                       u"  /Path\t\tSpecify a source directory\r\n"
                       u"  /SetDef\t\tSets the specified path as default\r\n"
                       u"  /Silent\t\tNo output to the screen\r\n"
                       u"  /Minimized\tRun minimized\r\n"
                       u"  /?\t\tThis information\r\n"),
            std::u16string::npos);
  EXPECT_FALSE(mainWindowShown);
  EXPECT_EQ(Setting(u"LatestRunVersion"), u"Sigpatch V1.01.02");
  EXPECT_EQ(Setting(u"SDATParam"), u"<missing>");
  EXPECT_TRUE(processes.starts.empty());
}

TEST_F(RunControlTest, SilentWinsOverMinimizedAndStillRuns) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  AddPackage(native(u"/updates/sdat4500.exe"));
  bool shownDuringTheRun = true;
  processes.onWait = [&] { shownDuringTheRun = MainWindow().IsVisible(); };
  ASSERT_TRUE(Run(u"/MINIMIZED /silent"));
  EXPECT_FALSE(shownDuringTheRun);
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
  // The lines went into the hidden window, which never loaded (no title line).
  EXPECT_EQ(Lines().back(), (Line{u"Finished!", kBlack}));
  EXPECT_EQ(Lines().front(),
            (Line{u"Looking for SDAT*.EXE Updates in " + native(u"/updates/") + u"...", kBlack}));
}

TEST_F(RunControlTest, MinimizedShowsTheWindowThenMinimizesIt) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  Start(u"/minimized");
  app->Execute();
  EXPECT_TRUE(MainWindow().IsVisible());
  EXPECT_EQ(MainWindow().WindowState(), toolkit::kWindowMinimized);
  app->Terminate();
}

TEST_F(RunControlTest, EmptyStoredSettingsAreReplacedByTheDefaults) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  Store(kSettingsKey, u"SDATParam", u"");
  Store(kSettingsKey, u"FileMask", u"");
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(Setting(u"SDATParam"), u"/SILENT /REBOOT");
  EXPECT_EQ(Setting(u"FileMask"), u"sdat*.exe");
}

TEST_F(RunControlTest, ADuplicateOptionStopsBeforeAnythingIsWritten) {
  EXPECT_FALSE(Run(u"/Silent /silent"));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"Duplicate Argument: silent");
  EXPECT_EQ(Setting(u"LatestRunDate"), u"<missing>");
}

TEST_F(RunControlTest, AFailedConstructionNamesTheObjectAndStops) {
  fake.windowing.screen.pointerFault = 5;
  EXPECT_FALSE(Run(u""));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"CreateObject AppMain failed");
  EXPECT_EQ(Setting(u"LatestRunDate"), u"<missing>");
}

TEST_F(RunControlTest, WithoutAControllerTheRunIsReported) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  Start(u"");
  app->SetAM(nullptr);
  app->Execute();
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"sigpatch.Application.Execute: 91, Object variable or With block variable not set");
  app->Terminate();
}

TEST_F(RunControlTest, AStoreTheUserMayOnlyReadIsReadButNothingIsInstalled) {
  Store(kSettingsKey, u"Path", native(u"/updates"));
  Store(kSettingsKey, u"LatestUpdate", u"SDAT4400.EXE");
  system.messages[5] = u"Access is denied.\r\n";
  registry.readOnly = true;
  AddPackage(native(u"/updates/sdat4500.exe"));
  ASSERT_TRUE(Run(u""));
  EXPECT_FALSE(ChooserShown());
  ASSERT_FALSE(fake.windowing.messages.empty());
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"Error updating registry:  5\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\n"
            u"For variable: LatestRunDate");
  EXPECT_EQ(
      RunLines(),
      (std::vector<Line>{
          {u"Looking for SDAT*.EXE Updates in " + native(u"/updates/") + u"...", kBlack},
          {u"Last update on this PC: SDAT4400.EXE", kBlack},
          {u"sdat4500.exe", kBlack},
          {u"Nothing is installed, as the settings cannot be written: 5, Access is denied.", kRed},
          {u"Finished!", kBlack},
      }));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(outcome.Result, RunResult::Failed);
}

}  // namespace
}  // namespace sigpatch::testing
