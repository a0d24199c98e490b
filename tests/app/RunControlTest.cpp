// The run control: the run header, the options, the settings and their
// defaults, and how the source folder is settled.

#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/RunFixture.h"
#include "runtime/PathStyle.h"
#include "toolkit/Window.h"

namespace sigpatch::testing {
namespace {

std::u16string sep() { return std::u16string(1, runtime::separatorOf(runtime::kNativePathStyle)); }

class RunControlTest : public RunFixture {
 public:
  RunControlTest() {
    files.disk.AddFolder(native(u"/updates"));
    files.disk.AddFolder(native(u"/srv/updates"));
    fake.windowing.folders.AddFolder(native(u"/srv/sigfetch"));
    fake.windowing.folders.AddFolder(native(u"/updates"));
  }
};

// How the source folder is settled: the stored folder, the command line, the
// downloader's folder and the chooser (a chooser that opens unasked fails the
// run: nobody answers it).
struct FolderCase {
  const char* name;
  const char16_t* stored;  // the stored Path; nullptr for none
  bool downloader;         // whether the downloader's folder is stored
  const char16_t* answer;  // typed into the chooser; nullptr: Cancel (when it opens)
  std::u16string command;
  std::u16string proposal;  // what the chooser proposed; "" when it did not open
  std::u16string runFolder;
  std::u16string path;  // the stored Path afterwards
  int writes = -1;      // the values written, when counted
};
void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }

const std::u16string kCurrent = u"(the drive's current folder)";
const auto kUpdates = native(u"/updates");
const auto kSrv = native(u"/srv/updates");

const FolderCase kFolderCases[] = {
    {"a first start asks, proposing the downloader's folder, and stores the answer", nullptr, true,
     u"/updates", u"", native(u"/srv/sigfetch/"), kUpdates + sep(), kUpdates + sep()},
    {"a first start without a downloader proposes the current folder", nullptr, false, u"/updates",
     u"", kCurrent, kUpdates + sep(), kUpdates + sep()},
    {"a cancelled chooser ends the run quietly", nullptr, false, nullptr, u"", kCurrent, u"",
     u"<missing>"},
    {"a first start with a folder runs and stores it as typed", nullptr, false, nullptr,
     u"/Path:" + kSrv, u"", kSrv + sep(), kSrv},
    {"a first start with /SetDef alone asks", nullptr, false, u"/updates", u"/SetDef", kCurrent,
     kUpdates + sep(), kUpdates + sep()},
    // The run header, the two missing defaults and the run's result are written; "Path" is not.
    {"a stored folder is used and not rewritten", u"/updates", false, nullptr, u"", u"",
     kUpdates + sep(), kUpdates, 5},
    {"a folder option wins over the stored folder for this run only", u"/updates", false, nullptr,
     u"/Path:" + kSrv, u"", kSrv + sep(), kUpdates},
    {"/SetDef stores the folder option as typed", u"/updates", false, nullptr,
     u"/path:" + kSrv + u" /setdef", u"", kSrv + sep(), kSrv},
    {"an empty folder option proposes the downloader's folder", u"/updates", true, u"/srv/updates",
     u"/Path", native(u"/srv/sigfetch/"), kSrv + sep(), kUpdates},
    {"/SetDef without a folder option stores nothing", u"/updates", false, nullptr, u"/SetDef", u"",
     kUpdates + sep(), kUpdates},
    {"a folder of blanks is passed on unchanged", nullptr, false, nullptr, u"/Path:\"  \"", u"",
     u"  ", u"  "},
};

class FolderSettling : public RunControlTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderSettling, SettlesTheSourceFolder) {
  const FolderCase& c = GetParam();
  if (c.stored) Set(u"Path", native(c.stored));
  if (c.downloader) Store(kDownloaderKey, u"LocalPath", native(u"/srv/sigfetch"));
  if (!c.proposal.empty()) AnswerChooser(c.answer ? std::optional(native(c.answer)) : std::nullopt);
  registry.calls.clear();
  const auto start = fake.clock.now;
  ASSERT_TRUE(Run(c.command));
  EXPECT_EQ(chooserProposal,
            c.proposal == kCurrent ? fake.windowing.folders.current + sep() : c.proposal);
  EXPECT_EQ(runFolder, c.runFolder);
  EXPECT_EQ(Setting(u"Path"), c.path);
  if (c.writes >= 0) {
    EXPECT_EQ(registry.calls[fakes::FakeRegistry::Call::SetValueEx], c.writes);
  }
  EXPECT_EQ(Setting(u"LatestRunDate"), u"2026-12-06 10:00:00");
  EXPECT_EQ(Setting(u"LatestRunVersion"), u"Sigpatch V1.01.02");
  EXPECT_EQ(Setting(u"SDATParam"), u"/SILENT /REBOOT");
  EXPECT_EQ(Setting(u"FileMask"), u"sdat*.exe");
  EXPECT_EQ(Setting(u"LatestUpdate"), u"<missing>");
  if (c.runFolder.empty()) {
    EXPECT_EQ(Lines().size(), 2u);  // the title and the blank line
  } else {
    EXPECT_EQ(RunLines()[0],
              (Line{u"Looking for SDAT*.EXE Updates in " + c.runFolder + u"...", kBlack}));
  }
  EXPECT_TRUE(fake.windowing.messages.empty());
  EXPECT_FALSE(MainWindowOpen());
  EXPECT_GE(fake.clock.now - start, std::chrono::seconds(3));
}

INSTANTIATE_TEST_SUITE_P(Runs, FolderSettling, ::testing::ValuesIn(kFolderCases));

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
