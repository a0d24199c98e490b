// The update run: what it lists, installs and records, line by line.

#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/RunFixture.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

class UpdateRunTest : public RunFixture {
 protected:
  UpdateRunTest() {
    Store(kSettingsKey, u"Path", native(u"/updates"));
    files.disk.AddFolder(native(u"/updates"));
  }
};

TEST_F(UpdateRunTest, InstallsTheNewestPackageOnceAndRecordsIt) {
  Store(kSettingsKey, u"LatestUpdate", u"SDAT4400.EXE");
  AddPackage(native(u"/updates/sdat4400.exe"));
  AddPackage(native(u"/updates/sdat4500.exe"));
  AddPackage(native(u"/updates/readme.txt"));
  processes.runTime = 2500ms;
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines(),
            (std::vector<Line>{
                {u"Looking for SDAT*.EXE Updates in " + native(u"/updates/") + u"...", kBlack},
                {u"Last update on this PC: SDAT4400.EXE", kBlack},
                {u"sdat4400.exe", kBlack},
                {u"sdat4500.exe", kBlack},
                {u"Installing " + native(u"/updates/sdat4500.exe") + u"...", kBlue},
                {u"Finished!", kBlack},
            }));
  // What runs is the program's own copy, removed afterwards.
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine,
            native(u"/var/lib/sigpatch/packages/sdat4500.exe") + u" /SILENT /REBOOT");
  EXPECT_FALSE(files.disk.Has(native(u"/var/lib/sigpatch/packages/sdat4500.exe")));
  EXPECT_EQ(processes.starts[0].directory, u"/opt/sigpatch");
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
  EXPECT_EQ(Setting(u"LatestUpdateDate").substr(0, 17), u"2026-12-06 10:00:");
  EXPECT_TRUE(fake.windowing.messages.empty());

  // The next start finds nothing newer.
  processes.starts.clear();
  ASSERT_TRUE(Run(u""));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(RunLines().back(), (Line{u"Finished!", kBlack}));
}

TEST_F(UpdateRunTest, QuotesAPackagePathThatHoldsABlankOrATab) {
  Store(kSettingsKey, u"Path", native(u"/my updates"));
  AddPackage(native(u"/my updates/sdat4500.exe"));
  for (const std::u16string folder : {u"/var/lib/my sigpatch", u"/var/lib/my\tsigpatch"}) {
    SCOPED_TRACE(text::toUtf8(folder));
    RegUtilities().DeleteValue(kSettingsKey, u"LatestUpdate");
    processes.starts.clear();
    system.privateFolder = native(folder);
    files.disk.AddFolder(system.privateFolder);
    ASSERT_TRUE(Run(u""));
    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(processes.starts[0].commandLine,
              u"\"" + native(folder + u"/sdat4500.exe") + u"\" /SILENT /REBOOT");
    EXPECT_EQ(RunLines()[3],
              (Line{u"Installing " + native(u"/my updates/sdat4500.exe") + u"...", kBlue}));
  }
}

TEST_F(UpdateRunTest, APackageThatCannotStartIsTriedAgainNextTime) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  processes.startSucceeds = false;
  ASSERT_TRUE(Run(u""));
  const auto lines = RunLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[4], (Line{u"Installation failed!", kRed}));
  EXPECT_EQ(lines[5], (Line{u"sdat4500.exe: No such file or directory", kRed}));
  EXPECT_EQ(lines[6], (Line{u"Finished!", kBlack}));
  EXPECT_EQ(Setting(u"LatestUpdate"), u"<missing>");
  EXPECT_EQ(Setting(u"LatestUpdateDate"), u"<missing>");

  processes.startSucceeds = true;
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
}

TEST_F(UpdateRunTest, AFailedWaitIsAFailedInstall) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  processes.waitFails = true;
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines()[4], (Line{u"Installation failed!", kRed}));
  EXPECT_EQ(Setting(u"LatestUpdate"), u"<missing>");
}

TEST_F(UpdateRunTest, AMissingFolderIsSaidInRed) {
  Store(kSettingsKey, u"Path", native(u"/nowhere"));
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines(),
            (std::vector<Line>{
                {u"Looking for SDAT*.EXE Updates in " + native(u"/nowhere/") + u"...", kBlack},
                {u"Last update on this PC: ", kBlack},
                {u"Folder " + native(u"/nowhere/") + u" does not exist!", kRed},
            }));
}

TEST_F(UpdateRunTest, NoMatchingFileGoesStraightToFinished) {
  AddPackage(native(u"/updates/readme.txt"));
  AddPackage(native(u"/updates/sdat4500.exe.bak"));
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines(),
            (std::vector<Line>{
                {u"Looking for SDAT*.EXE Updates in " + native(u"/updates/") + u"...", kBlack},
                {u"Last update on this PC: ", kBlack},
                {u"Finished!", kBlack},
            }));
  EXPECT_TRUE(processes.starts.empty());
}

TEST_F(UpdateRunTest, OlderOrEqualPackagesAreListedButNotInstalled) {
  Store(kSettingsKey, u"LatestUpdate", u"SDAT4500.EXE");
  AddPackage(native(u"/updates/SDAT4500.EXE"));
  AddPackage(native(u"/updates/sdat4400.exe"));
  ASSERT_TRUE(Run(u""));
  const auto lines = RunLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], (Line{u"SDAT4500.EXE", kBlack}));
  EXPECT_EQ(lines[3], (Line{u"sdat4400.exe", kBlack}));
  EXPECT_EQ(lines[4], (Line{u"Finished!", kBlack}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(Setting(u"LatestUpdateDate"), u"<missing>");
}

TEST_F(UpdateRunTest, NamesCompareByCodeNotByNumber) {
  Store(kSettingsKey, u"LatestUpdate", u"SDAT4999.EXE");
  AddPackage(native(u"/updates/sdat10000.exe"));
  ASSERT_TRUE(Run(u""));
  EXPECT_TRUE(processes.starts.empty());  // "1" sorts before "4"
}

TEST_F(UpdateRunTest, ALowerCaseRecordIsComparedAsStored) {
  Store(kSettingsKey, u"LatestUpdate", u"sdat4400.exe");
  AddPackage(native(u"/updates/sdat9999.exe"));
  ASSERT_TRUE(Run(u""));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(Setting(u"LatestUpdate"), u"sdat4400.exe");
}

TEST_F(UpdateRunTest, AmongEqualNamesTheFirstListedWins) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  AddPackage(native(u"/updates/SDAT4500.EXE"));
  ASSERT_TRUE(Run(u""));
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine,
            native(u"/var/lib/sigpatch/packages/sdat4500.exe") + u" /SILENT /REBOOT");
}

TEST_F(UpdateRunTest, TheStoredMaskAndSwitchesAreUsed) {
  Store(kSettingsKey, u"FileMask", u"vscan??.bin");
  Store(kSettingsKey, u"SDATParam", u"-q");
  AddPackage(native(u"/updates/VScan01.bin"));
  AddPackage(native(u"/updates/sdat4500.exe"));
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines()[0],
            (Line{u"Looking for VSCAN??.BIN Updates in " + native(u"/updates/") + u"...", kBlack}));
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine,
            native(u"/var/lib/sigpatch/packages/VScan01.bin") + u" -q");
  EXPECT_EQ(Setting(u"LatestUpdate"), u"VSCAN01.BIN");
}

TEST_F(UpdateRunTest, AFolderThatCannotBeListedEndsTheRunWithAReport) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  files.disk.faults[u"GetFolder"] = 70;
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines().size(), 2u);  // no "Finished!"
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt,
            u"sigpatch.AppMain.RunUpdates: 70, Permission denied");
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
}

TEST_F(UpdateRunTest, WithoutTheFileSystemServiceTheProgramStops) {
  files.available = false;
  AddPackage(native(u"/updates/sdat4500.exe"));
  EXPECT_FALSE(Run(u""));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"Windows Scripting Host not available!");
  EXPECT_EQ(Lines().size(), 2u);  // the title and the blank line only
  EXPECT_EQ(Setting(u"LatestUpdate"), u"<missing>");
}

TEST_F(UpdateRunTest, ASecondRunWaitsForTheFirstAndReadsTheRecordAfresh) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  system.lockBusyTries = 3;
  // The other run records the package while this one waits.
  fake.windowing.QueueAfter(400ms,
                            [this] { Store(kSettingsKey, u"LatestUpdate", u"SDAT4500.EXE"); });
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines(),
            (std::vector<Line>{
                {u"Looking for SDAT*.EXE Updates in " + native(u"/updates/") + u"...", kBlack},
                {u"Waiting for the update run that is already under way...", kBlack},
                {u"Last update on this PC: SDAT4500.EXE", kBlack},
                {u"sdat4500.exe", kBlack},
                {u"Finished!", kBlack},
            }));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(system.lockNames, std::vector<std::u16string>{u"UpdateRun"});
  EXPECT_FALSE(system.lockHeld);  // let go when the run ended
}

TEST_F(UpdateRunTest, ARunHoldsTheLockWhileThePackageRuns) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  bool heldDuringInstall = false;
  processes.onWait = [&] { heldDuringInstall = system.lockHeld; };
  ASSERT_TRUE(Run(u""));
  EXPECT_TRUE(heldDuringInstall);
}

TEST_F(UpdateRunTest, WithoutTheLockNothingIsStarted) {
  system.locksAvailable = false;
  AddPackage(native(u"/updates/sdat4500.exe"));
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines()[3],
            (Line{u"Nothing is installed, as the update lock cannot be taken.", kRed}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(outcome.Result, RunResult::Failed);
}

TEST_F(UpdateRunTest, AWaitForTheLockSaysEveryMinuteHowLongItHasWaited) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  system.lockBusyTries = 4 * 130;  // 130 s of waits of 250 ms
  ASSERT_TRUE(Run(u""));
  const auto lines = RunLines();
  EXPECT_EQ(std::vector<Line>(lines.begin() + 1, lines.begin() + 4),
            (std::vector<Line>{
                {u"Waiting for the update run that is already under way...", kBlack},
                {u"Still waiting for the other update run (1 minute)...", kBlack},
                {u"Still waiting for the other update run (2 minutes)...", kBlack},
            }));
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
}

TEST_F(UpdateRunTest, TheStatusBarShowsWhatTheControllerSets) {
  Start(u"");
  app->AM()->UpdateStatusBar(native(u"/updates/sub"));
  EXPECT_EQ(MainWindow().StatusBarNamed(u"sbInfo").PanelText(u"Info"), native(u"/updates/sub"));
}

TEST_F(UpdateRunTest, AnEmptyFolderSaysNoSourcePath) {
  Start(u"");
  auto& controller = *app->AM();
  controller.FileMask = u"sdat*.exe";
  controller.CheckForUpdates();
  EXPECT_EQ(Lines(), (std::vector<Line>{{u"No Source path!", kRed}}));
  EXPECT_EQ(controller.FileMask, u"sdat*.exe");  // the run ended before the mask
}

TEST_F(UpdateRunTest, TheWindowClosesThreeSecondsAfterTheLastLine) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  processes.runTime = 1500ms;
  const auto start = fake.clock.now;
  ASSERT_TRUE(Run(u""));
  EXPECT_FALSE(MainWindowOpen());
  EXPECT_GE(fake.clock.now - start, 3s);
  EXPECT_LT(fake.clock.now - start, 6s);
}

TEST_F(UpdateRunTest, APinnedWindowStaysOpenAfterTheRun) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  processes.runTime = 1500ms;
  processes.onWait = [this] {
    processes.onWait = nullptr;
    fake.windowing.Queue([this] { MainWindow().ImageNamed(u"imgPin").Click(); });
  };
  ASSERT_TRUE(Run(u""));
  EXPECT_TRUE(MainWindow().IsVisible());
  MainWindow().ImageNamed(u"imgPin").Click();
  EXPECT_FALSE(MainWindowOpen());
}

}  // namespace
}  // namespace sigpatch::testing
