// The run control: how the source folder is settled, the options, the settings and their
// defaults, and what a run tells the one who started it: the exit status, "LatestRunResult" and
// the system's log (--version and a relative folder: tests/e2e/options.sh).

#include "app/RunFixture.h"
#include "platform/EventLog.h"
#include "toolkit/Window.h"

namespace sigpatch::testing {
namespace {

std::u16string sep() { return std::u16string(1, runtime::separatorOf(runtime::kNativePathStyle)); }

class RunControlTest : public RunFixture {
 public:
  RunControlTest() {
    for (const auto* folder : {u"/srv/sigfetch", u"/updates"})
      fake.windowing.folders.AddFolder(native(folder));
  }
  /// Answers the folder chooser when it opens: OK with the text typed, or Cancel.
  void AnswerChooser(std::optional<std::u16string> typed) {
    fake.windowing.QueueWhenShown(u"frmSelectFolder", [this, typed](auto& dialog) {
      auto& path = dialog.TextBoxNamed(u"tboPath");
      chooserProposal = path.Text();
      if (typed) path.Type(*typed);
      dialog.ButtonNamed(typed ? u"cmdOK" : u"cmdCancel").Click();
    });
  }
  /// Closes the modal About box when it opens, keeping its text.
  void CloseAboutBox() {
    fake.windowing.QueueWhenShown(u"frmAbout", [this](auto& box) {
      usage = box.RichTextBoxNamed(u"txtText").Text();
      aboutOverMain = MainWindow().IsVisible();
      box.ButtonNamed(u"cmdOK").Click();
    });
  }
  std::u16string chooserProposal, usage;
  bool aboutOverMain = false;
};

// How the source folder is settled: the stored Path, the downloader's folder (when `downloader`),
// the command line and the chooser, answered with the folder typed or Cancel (nullptr). A chooser
// that opens unasked fails the run: nobody answers it. Then the chooser's proposal ("" when it did
// not open), the run's folder, Path afterwards, and the values written when counted.
struct FolderCase {
  const char* name;
  const char16_t* stored;
  bool downloader;
  const char16_t* answer;
  std::u16string command, proposal, runFolder, path;
  int writes = -1;
};
void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }

const std::u16string kCurrent = u"(the drive's current folder)";
const auto kUpdates = native(u"/updates"), kSrv = native(u"/srv/updates");
const auto kSigfetch = native(u"/srv/sigfetch/");

// clang-format off
const FolderCase kFolderCases[] = {
    {"a first start asks, proposing the downloader's folder, and stores the answer", nullptr, true,
     u"/updates", u"", kSigfetch, kUpdates + sep(), kUpdates + sep()},
    {"a first start without a downloader proposes the current folder", nullptr, false, u"/updates",
     u"", kCurrent, kUpdates + sep(), kUpdates + sep()},
    {"a cancelled chooser ends the run quietly", nullptr, false, nullptr, u"", kCurrent, u"",
     kMissing},
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
     u"/Path", kSigfetch, kSrv + sep(), kUpdates},
    {"/SetDef without a folder option stores nothing", u"/updates", false, nullptr, u"/SetDef", u"",
     kUpdates + sep(), kUpdates},
    {"a folder of blanks is passed on unchanged", nullptr, false, nullptr, u"/Path:\"  \"", u"",
     u"  ", u"  "},
};
// clang-format on

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
  const int writes = registry.calls[fakes::FakeRegistry::Call::SetValueEx];
  EXPECT_EQ(writes, c.writes >= 0 ? c.writes : writes);
  for (const auto& [name, value] : {std::pair{u"LatestRunDate", u"2026-12-06 10:00:00"},
                                    {u"LatestRunVersion", u"Sigpatch V1.01.02"},
                                    {u"SDATParam", u"/SILENT /REBOOT"},
                                    {u"FileMask", u"sdat*.exe"},
                                    {u"LatestUpdate", u"<missing>"}})
    EXPECT_EQ(Setting(name), value) << text::toUtf8(name);
  const auto lines = RunLines();
  EXPECT_EQ(
      lines.empty() ? u"" : lines[0].text,
      c.runFolder.empty() ? u"" : u"Looking for SDAT*.EXE Updates in " + c.runFolder + u"...");
  EXPECT_EQ(Prompts(), u"");
  EXPECT_FALSE(MainWindowOpen());
  EXPECT_GE(fake.clock.now - start, 3s);
}

INSTANTIATE_TEST_SUITE_P(Runs, FolderSettling, ::testing::ValuesIn(kFolderCases));

TEST_F(RunControlTest, SilentWinsOverMinimizedAndMinimizedShowsTheWindowMinimized) {
  Set(u"Path", native(u"/updates"));
  AddPackage(u"/updates/sdat4500.exe");
  bool shownDuringTheRun = true;
  processes.onWait = [&] { shownDuringTheRun = MainWindow().IsVisible(); };
  ASSERT_TRUE(Run(u"/MINIMIZED /silent"));
  EXPECT_FALSE(shownDuringTheRun);
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
  // The lines went into the hidden window, which never loaded (no title line).
  EXPECT_EQ(AllLines().front(), looking());
  EXPECT_EQ(AllLines().back(), kFinished);
  Start(u"/minimized").Execute();
  EXPECT_TRUE(MainWindow().IsVisible());
  EXPECT_EQ(MainWindow().WindowState(), toolkit::kWindowMinimized);
  app->Terminate();
}

TEST_F(RunControlTest, EmptyStoredSettingsAreReplacedByTheDefaults) {
  Set(u"Path", native(u"/updates")), Set(u"SDATParam", u""), Set(u"FileMask", u"");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Setting(u"SDATParam"), u"/SILENT /REBOOT");
  EXPECT_EQ(Setting(u"FileMask"), u"sdat*.exe");
}

TEST_F(RunControlTest, WithoutAControllerTheRunIsReported) {
  Set(u"Path", native(u"/updates"));
  Start(u"").SetAM(nullptr);
  app->Execute();
  EXPECT_EQ(Prompts(),
            u"sigpatch.Application.Execute: 91, Object variable or With block variable not set|");
  app->Terminate();
}

TEST_F(RunControlTest, AStoreTheUserMayOnlyReadIsReadButNothingIsInstalled) {
  Set(u"Path", native(u"/updates")), Set(u"LatestUpdate", u"SDAT4400.EXE");
  system.messages[5] = u"Access is denied.\r\n";
  registry.readOnly = true;
  AddPackage(u"/updates/sdat4500.exe");
  ASSERT_TRUE(Run());
  EXPECT_EQ(fake.windowing.FindForm(u"frmSelectFolder"), nullptr);
  EXPECT_EQ(fake.windowing.messages.at(0).prompt,
            u"Error updating registry:  5\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\n"
            u"For variable: LatestRunDate");
  EXPECT_EQ(RunLines(1), (Lines{{u"Last update on this PC: SDAT4400.EXE"},
                                {u"sdat4500.exe"},
                                {u"Nothing is installed, as the settings cannot be written: 5, "
                                 u"Access is denied.",
                                 kRed},
                                kFinished}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(outcome.Result, RunResult::Failed);
}

// Each run's exit status, LatestRunResult, the result word of its record in the system's log (""
// for none), and what the program said in a message box (then nothing is written or started).
struct StatusCase {
  const char* name;
  std::function<void(RunControlTest&)> arrange;
  const char16_t* command;
  int status;
  std::u16string result;
  std::u16string_view logged;
  std::u16string said = u"";
};
void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

void stored(RunControlTest& t) { t.Set(u"Path", native(u"/updates")); }
void package(RunControlTest& t) { stored(t), t.AddPackage(u"/updates/sdat4500.exe"); }
void withUsage(RunControlTest& t) { package(t), t.CloseAboutBox(); }
auto aged(int days, std::function<void(RunControlTest&)> more = {}) {
  return [=](RunControlTest& t) {
    package(t);
    t.files.disk.Node(native(u"/updates/sdat4500.exe")).modified = t.fake.clock.now - days * 24h;
    if (more) more(t);
  };
}

// clang-format off
const StatusCase kStatusCases[] = {
    {"installed", package, u"", 0, u"installed: sdat4500.exe", u"installed"},
    {"nothing newer", [](auto& t) { package(t), t.Set(u"LatestUpdate", u"SDAT4500.EXE"); },
     u"", 0, u"nothing-newer: sdat4500.exe", u"nothing-newer"},
    {"no package at all", stored, u"", 0, u"nothing-newer", u"nothing-newer"},
    {"the chooser cancelled", [](auto& t) { t.AnswerChooser(std::nullopt); }, u"", 0,
     kMissing, u""},
    {"a failed installation",
     [](auto& t) { package(t), t.processes.exit = {false, 9, u"ended by signal 9 (Killed)"}; },
     u"", 1, u"failed: sdat4500.exe: ended by signal 9 (Killed)", u"failed"},
    {"a missing folder", [](auto& t) { t.Set(u"Path", native(u"/gone")); }, u"", 1,
     u"failed: folder " + native(u"/gone/") + u" does not exist", u"failed"},
    {"nobody to choose a folder", [](auto& t) { t.fake.windowing.canAsk = false; }, u"", 1,
     u"failed: no source folder is stored", u"failed",
     u"No source folder: none is stored, and nobody is here to choose one. Store one with "
     u"/Path:FOLDER /SetDef.|"},
    {"a stale package", aged(23), u"", 3, u"stale: sdat4500.exe: 23 days old", u"stale"},
    {"a package just as old as allowed", aged(14), u"", 0, u"installed: sdat4500.exe",
     u"installed"},
    {"a package older than the stored limit",
     aged(31, [](auto& t) { t.Set(u"MaxPackageAgeDays", u"30"); }), u"", 3,
     u"stale: sdat4500.exe: 31 days old", u"stale"},
    // The first write is the start's date, the second its version.
    {"a start whose version cannot be recorded",
     [](auto& t) { package(t), t.registry.FailCall(fakes::FakeRegistry::Call::SetValueEx, 5, 2); },
     u"", 1, u"installed: sdat4500.exe", u"installed",
     u"Error updating registry:  5\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\n"
     u"For variable: LatestRunVersion|"},
    {"a stale package that fails", aged(23, [](auto& t) { t.processes.startSucceeds = false; }),
     u"", 1, u"failed: sdat4500.exe: No such file or directory", u"failed"},
    {"the usage, over all else", withUsage, u"/Silent /? /Path:/srv", 0, kMissing, u""},
    {"the usage by its short word", withUsage, u"-h", 0, kMissing, u""},
    {"an unknown option", withUsage, u"--verbose", 2, kMissing, u"",
     u"Invalid Argument: --verbose|"},
    {"an unknown option that ends in a number", withUsage, u"/Disk2", 2, kMissing, u"",
     u"Invalid Argument: /DISK2|"},
    {"a duplicate argument", package, u"/Silent /silent", 2, kMissing, u"",
     u"Duplicate Argument: silent|"},
    {"a failed construction", [](auto& t) { package(t), t.fake.windowing.screen.pointerFault = 5; },
     u"", 1, kMissing, u"", u"CreateObject AppMain failed|"},
};
// clang-format on

class EachRun : public RunControlTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(EachRun, EndsWithItsStatusAndItsResult) {
  const auto& c = GetParam();
  c.arrange(*this);
  Run(c.command);
  EXPECT_EQ(exitStatus, c.status);
  EXPECT_EQ(Setting(u"LatestRunResult"), c.result);
  const auto& reports = fake.eventLog.reports;
  ASSERT_EQ(reports.size(), c.logged.empty() ? 0u : 1u);
  if (!c.logged.empty()) {
    EXPECT_EQ(platform::resultWord(reports[0].Result), c.logged);
    EXPECT_EQ(reports[0].ExitStatus, c.status);
    EXPECT_EQ(reports[0].IsError, c.logged == u"failed");
    EXPECT_EQ(reports[0].Message, c.result != kMissing ? c.result : reports[0].Message);
  }
  EXPECT_EQ(Prompts(), c.said);
  if (!usage.empty()) {
    EXPECT_NE(usage.find(u"  /SetDef\t\tSets the specified path as default"), std::u16string::npos);
    EXPECT_FALSE(aboutOverMain);
    EXPECT_TRUE(processes.starts.empty());
  }
  if (c.result != kMissing || c.said.empty()) return;
  EXPECT_EQ(Setting(u"LatestRunDate"), kMissing);
  EXPECT_TRUE(!c.said.starts_with(u"Invalid") ||
              fake.windowing.messages[0].style == toolkit::MsgBoxStyle::Critical);
}

INSTANTIATE_TEST_SUITE_P(Runs, EachRun, ::testing::ValuesIn(kStatusCases));

TEST_F(RunControlTest, ALongResultIsCutToWhatTheSettingTakesAndLoggedWhole) {
  package(*this);
  const std::u16string reason(200, u'x');
  processes.exit = {false, 9, reason};
  ASSERT_TRUE(Run());
  const std::u16string result = u"failed: sdat4500.exe: " + reason;
  EXPECT_EQ(Setting(u"LatestRunResult"), result.substr(0, RegUtilities::kLongestSetting));
  ASSERT_EQ(fake.eventLog.reports.size(), 1u);
  EXPECT_EQ(fake.eventLog.reports[0].Message, result);
}

}  // namespace
}  // namespace sigpatch::testing
