// A whole program run against fakes: the update run (what it lists, installs and records, also
// when things go wrong) and the run control (the source folder, the options, the settings, the
// exit status, "LatestRunResult" and the system's log). What real packages, signals, stores,
// sources and terminals do: tests/e2e; the main window's closing and pin: tests/ui.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/Application.h"
#include "app/Settings.h"
#include "fakes/ExpectedColors.h"
#include "fakes/FakeServices.h"
#include "platform/EventLog.h"
#include "registry/RegUtilities.h"
#include "runtime/PathStyle.h"
#include "runtime/Text.h"
#include "toolkit/Window.h"
#include "toolkit/headless/HeadlessRichTextBox.h"
#include "toolkit/headless/HeadlessWindow.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

/// A path of the tests in the POSIX style, in the system's own: "/u/a.exe" is "C:\\u\\a.exe".
std::u16string native(std::u16string_view posixPath) {
  if (runtime::kNativePathStyle == runtime::PathStyle::Posix) return std::u16string(posixPath);
  std::u16string path = u"C:" + std::u16string(posixPath);
  for (auto& c : path) c = c == u'/' ? u'\\' : c;
  return path;
}

/// One line of the output window with its colour.
struct Line {
  std::u16string text;
  std::int32_t color = kBlack;
  friend bool operator==(const Line&, const Line&) = default;
  friend void PrintTo(const Line& line, std::ostream* out) {
    *out << '"' << text::toUtf8(line.text) << "\" in " << line.color;
  }
};
using Lines = std::vector<Line>;
const Line kFinished{u"Finished!"};
constexpr auto kMissing = u"<missing>";
Line looking(std::u16string folder = u"/updates/", std::u16string mask = u"SDAT*.EXE") {
  return {u"Looking for " + mask + u" Updates in " + native(folder) + u"..."};
}
Line last(std::u16string name = u"") { return {u"Last update on this PC: " + name}; }
Line red(std::u16string text) { return {std::move(text), kRed}; }

// The fakes with the folders /updates and /srv/updates (which the chooser shows, with
// /srv/sigfetch); the program's copies of packages go to /var/lib/sigpatch/packages.
class RunFixture : public ::testing::Test, public fakes::FakeServices {
 public:
  RunFixture() {
    system.privateFolder = native(u"/var/lib/sigpatch/packages");
    for (const auto* folder : {u"/var/lib/sigpatch/packages", u"/updates", u"/srv/updates"})
      files.disk.AddFolder(native(folder));
    for (const auto* folder : {u"/srv/sigfetch", u"/updates"})
      windowing.folders.AddFolder(native(folder));
  }
  /// A setting under the settings key, "<missing>" when there is none.
  std::u16string Setting(std::u16string_view name) {
    return RegUtilities().GetKeyValue(kSettingsKey, name, kMissing);
  }
  void Set(std::u16string_view name, std::u16string_view value,
           std::u16string_view key = kSettingsKey) {
    RegUtilities().SetKeyValue(key, name, Variant(value), u"REG_SZ");
  }
  /// A package written an hour ago, as one the downloader has just fetched.
  void AddPackage(std::u16string_view path) {
    files.disk.AddFile(native(path), "package").modified = clock.now - 1h;
  }
  Application& Start(std::u16string_view command) {
    windowing.command = command;
    return app.emplace();
  }
  /// Start, and the entry procedure's Execute and Terminate; false when the program stopped at
  /// once. The lines, the folder and the outcome are kept when the window goes with the run.
  bool Run(std::u16string_view command = u"") {
    outcome = {}, exitStatus = -1;
    try {
      Start(command).Execute();
      snapshot_ = AllLines();
      if (app->AM() != nullptr) runFolder = app->AM()->FilePath, outcome = app->AM()->Outcome();
      app->Terminate();
      exitStatus = app->ExitStatus();
      return true;
    } catch (const fakes::ImmediateStop&) {
      exitStatus = windowing.endCode;
      return false;
    }
  }
  Lines AllLines() {
    if (windowing.FindForm(u"frmMain") == nullptr) return snapshot_;
    Lines lines;
    bool open = false;
    for (const auto& run : MainWindow().RichTextBoxNamed(u"tboOutput").Runs()) {
      for (std::u16string_view rest = run.Text; !rest.empty();) {
        if (!open) lines.push_back({u"", run.Color});
        const auto end = rest.find(u"\r\n");
        lines.back().text += rest.substr(0, end);
        open = end == std::u16string_view::npos;
        rest = open ? std::u16string_view() : rest.substr(end + 2);
      }
    }
    return lines;
  }
  /// The lines after the title line and the blank line under it, from line `from` on.
  Lines RunLines(std::size_t from = 0) {
    auto lines = AllLines();
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + std::min<std::size_t>(2, lines.size())),
              (Lines{{u"Sigpatch V1.01.02"}, {u" "}}));
    return {lines.begin() + std::min(2 + from, lines.size()), lines.end()};
  }
  toolkit::headless::HeadlessWindow& MainWindow() { return windowing.Form(u"frmMain"); }
  /// Answers the folder chooser when it opens: OK with the text typed, or Cancel.
  void AnswerChooser(std::optional<std::u16string> typed) {
    windowing.QueueWhenShown(u"frmSelectFolder", [this, typed](auto& dialog) {
      auto& path = dialog.TextBoxNamed(u"tboPath");
      chooserProposal = path.Text();
      if (typed) path.Type(*typed);
      dialog.ButtonNamed(typed ? u"cmdOK" : u"cmdCancel").Click();
    });
  }
  /// Closes the modal About box when it opens, keeping its text.
  void CloseAboutBox() {
    windowing.QueueWhenShown(u"frmAbout", [this](auto& box) {
      usage = box.RichTextBoxNamed(u"txtText").Text();
      aboutOverMain = MainWindow().IsVisible();
      box.ButtonNamed(u"cmdOK").Click();
    });
  }
  /// The prompts of the message boxes shown, each ended by "|".
  std::u16string Prompts() {
    std::u16string all;
    for (const auto& message : windowing.messages) all += message.prompt + u"|";
    return all;
  }

  std::optional<Application> app;
  /// What the chooser proposed, the About box's text and whether the main window showed under it,
  /// the source folder the run was given, what the last run came to and the exit status.
  std::u16string chooserProposal, usage, runFolder;
  bool aboutOverMain = false;
  RunOutcome outcome;
  int exitStatus = -1;

 private:
  Lines snapshot_;
};

class UpdateRunTest : public RunFixture {
 public:
  UpdateRunTest() {
    Set(u"Path", native(u"/updates"));
    // Every wait for the package takes its time on the clock too.
    processes.onWait = [this] { clock.Advance(100ms); };
  }
  void StorePending(std::u16string_view boot, std::u16string_view attempts) {
    Set(u"PendingBoot", boot), Set(u"PendingProcess", u"4999 12");
    Set(u"PendingAttempts", attempts), Set(u"PendingUpdate", u"SDAT4500.EXE");
  }
  bool PendingCleared() {
    for (const auto* name :
         {u"PendingUpdate", u"PendingBoot", u"PendingProcess", u"PendingAttempts"})
      if (Setting(name) != kMissing) return false;
    return true;
  }
  std::u16string seen;  // what a row's hook saw
};
using Arrange = std::function<void(UpdateRunTest&)>;

Line installing(std::u16string path = u"/updates/sdat4500.exe") {
  return {u"Installing " + native(path) + u"...", kBlue};
}
/// The lines of a run that lists the one package sdat4500.exe, then `rest`.
Lines listing(Lines rest) {
  rest.insert(rest.begin(), {looking(), last(), {u"sdat4500.exe"}});
  return rest;
}
std::u16string copyOf(std::u16string name = u"sdat4500.exe",
                      std::u16string switches = u"/SILENT /REBOOT") {
  return native(u"/var/lib/sigpatch/packages/" + name) + u" " + switches;
}
/// The packages in /updates, the LatestUpdate stored (if any), and then `more`.
Arrange packages(std::vector<std::u16string> names, const char16_t* latest = nullptr,
                 Arrange more = {}) {
  return [=](UpdateRunTest& t) {
    if (latest) t.Set(u"LatestUpdate", latest);
    for (const auto& name : names) t.AddPackage(u"/updates/" + name);
    if (more) more(t);
  };
}
Arrange one(Arrange more) { return packages({u"sdat4500.exe"}, nullptr, more); }

// Every line of a run after the title, the command lines started, LatestUpdate, the run's result
// (when set), a row's own checks and PendingUpdate.
struct RunCase {
  const char* name;
  Arrange arrange;
  Lines lines;
  std::vector<std::u16string> started;
  std::u16string latest;
  std::optional<RunResult> result = {};
  Arrange check = {};
  std::u16string pending = kMissing;
};
void PrintTo(const RunCase& c, std::ostream* out) { *out << c.name; }
using enum RunResult;
using enum fakes::FakeRegistry::Call;
const Line kFailed = red(u"Installation failed!");
// Runs of the one package sdat4500.exe that install it, that fail it for `why`, or that start
// nothing for `why`.
RunCase installs(const char* name, Arrange arrange, Arrange check = {}) {
  const Lines lines = listing({installing(), kFinished});
  return {name, one(arrange), lines, {copyOf()}, u"SDAT4500.EXE", Installed, check};
}
RunCase fails(const char* name, Arrange arrange, std::u16string why, Arrange check = {}) {
  const Lines lines = listing({installing(), kFailed, red(why), kFinished});
  return {name, one(arrange), lines, {copyOf()}, kMissing, Failed, check};
}
RunCase refuses(const char* name, Arrange arrange, std::u16string why,
                std::u16string pending = kMissing) {
  return {name, one(arrange), listing({red(why), kFinished}), {}, kMissing, Failed, {}, pending};
}
// The package in a folder with a blank, run from a private folder with `blank` in it: quoted.
RunCase blankFolders(const char* name, std::u16string blank) {
  const auto copy = native(u"/var/lib/my" + blank + u"sigpatch");
  Lines lines = listing({installing(u"/my updates/sdat4500.exe"), kFinished});
  lines[0] = looking(u"/my updates/");
  const Arrange arrange = [=](UpdateRunTest& t) {
    t.Set(u"Path", native(u"/my updates"));
    t.AddPackage(u"/my updates/sdat4500.exe");
    t.system.privateFolder = copy;
    t.files.disk.AddFolder(copy);
  };
  const auto started =
      u"\"" + native(u"/var/lib/my" + blank + u"sigpatch/sdat4500.exe") + u"\" /SILENT /REBOOT";
  return {name, arrange, lines, {started}, u"SDAT4500.EXE"};
}
// The package written `from` now.
Arrange written(std::chrono::seconds from) {
  return [=](UpdateRunTest& t) {
    t.files.disk.Node(native(u"/updates/sdat4500.exe")).modified = t.clock.now + from;
  };
}

// clang-format off
const RunCase kRunCases[] = {
    fails("a failed wait is a failed install", [](auto& t) { t.processes.waitFails = true; },
          u"sdat4500.exe: the wait for it failed"),
    {"a missing folder is said in red", [](auto& t) { t.Set(u"Path", native(u"/nowhere")); },
     {looking(u"/nowhere/"), last(), red(u"Folder " + native(u"/nowhere/") + u" does not exist!")},
     {}, kMissing, Failed},
    {"no matching file goes straight to Finished", packages({u"readme.txt", u"sdat4500.exe.bak"}),
     {looking(), last(), kFinished}, {}, kMissing},
    {"older or equal packages are listed but not installed",
     packages({u"SDAT4500.EXE", u"sdat4400.exe"}, u"SDAT4500.EXE"),
     {looking(), last(u"SDAT4500.EXE"), {u"SDAT4500.EXE"}, {u"sdat4400.exe"}, kFinished}, {},
     u"SDAT4500.EXE"},
    {"names compare by code, not by number: \"1\" sorts before \"4\"",
     packages({u"sdat10000.exe"}, u"SDAT4999.EXE"),
     {looking(), last(u"SDAT4999.EXE"), {u"sdat10000.exe"}, kFinished}, {}, u"SDAT4999.EXE"},
    {"a lower-case record is compared as stored", packages({u"sdat9999.exe"}, u"sdat4400.exe"),
     {looking(), last(u"sdat4400.exe"), {u"sdat9999.exe"}, kFinished}, {}, u"sdat4400.exe"},
    {"among equal names the first listed wins", packages({u"sdat4500.exe", u"SDAT4500.EXE"}),
     listing({{u"SDAT4500.EXE"}, installing(), kFinished}), {copyOf()}, u"SDAT4500.EXE"},
    {"the stored mask and switches are used",
     packages({u"VScan01.bin", u"sdat4500.exe"}, nullptr,
              [](auto& t) { t.Set(u"FileMask", u"vscan??.bin"), t.Set(u"SDATParam", u"-q"); }),
     {looking(u"/updates/", u"VSCAN??.BIN"), last(), {u"VScan01.bin"},
      installing(u"/updates/VScan01.bin"), kFinished},
     {copyOf(u"VScan01.bin", u"-q")}, u"VSCAN01.BIN"},
    blankFolders("a package path with a blank is quoted", u" "),
    blankFolders("a package path with a tab is quoted", u"\t"),
    refuses("without the lock nothing is started", [](auto& t) { t.system.locksAvailable = false; },
            u"Nothing is installed, as the update lock cannot be taken."),
    {"a wait for the lock says every minute how long it has waited",
     one([](auto& t) { t.system.lockBusyTries = 4 * 130; }),  // 130 s of waits of 250 ms
     {looking(), {u"Waiting for the update run that is already under way..."},
      {u"Still waiting for the other update run (1 minute)..."},
      {u"Still waiting for the other update run (2 minutes)..."}, last(), {u"sdat4500.exe"},
      installing(), kFinished}, {copyOf()}, u"SDAT4500.EXE"},
    // The disk fills once the window is up: the run header was written, the pending record is not.
    refuses("a store that stops taking writes starts nothing",
            [](auto& t) {
              t.system.messages[112] = u"There is not enough space on the disk.\r\n";
              t.Set(u"SDATParam", u"/SILENT /REBOOT"), t.Set(u"FileMask", u"sdat*.exe");
              t.windowing.Queue([&t] { t.registry.FailCall(SetValueEx, 112); });
            },
            u"Nothing is installed, as the settings cannot be written: 112, There is not enough "
            u"space on the disk."),
    fails("the close box, answered Yes",
          [](auto& t) {
            t.processes.runTime = 1h, t.windowing.answerYes = true;
            t.processes.onWait = [&t] { t.MainWindow().ClickCloseBox(); };
          },
          u"sdat4500.exe: stopped by the user",
          [](auto& t) { EXPECT_EQ(t.processes.processes.at(100).stops, std::vector{false}); }),
    // The system went down between recording the package and clearing the record.
    {"a restart after the package was recorded keeps its date",
     one([](auto& t) {
       t.Set(u"LatestUpdate", u"SDAT4500.EXE"), t.Set(u"LatestUpdateDate", u"2026-12-01 09:00:00");
       t.StorePending(u"boot-0", u"1");
     }),
     {looking(), {u"SDAT4500.EXE was being installed when the system restarted; it counts as "
                  u"installed."}, last(u"SDAT4500.EXE"), {u"sdat4500.exe"}, kFinished},
     {}, u"SDAT4500.EXE", Installed,
     [](auto& t) { EXPECT_EQ(t.Setting(u"LatestUpdateDate"), u"2026-12-01 09:00:00"); }},
    // A record of this boot is tried again once after a run that was killed.
    installs("the first attempt was cut short",
             [](auto& t) {
               t.StorePending(u"boot-1", u"1");
               t.processes.onStart = [&t] { t.seen = t.Setting(u"PendingAttempts"); };
             },
             [](auto& t) { EXPECT_EQ(t.seen, u"2"); }),
    refuses("two attempts were cut short", [](auto& t) { t.StorePending(u"boot-1", u"2"); },
            u"The installation of SDAT4500.EXE was cut short 2 times since the system started; an "
            u"administrator must check it and clear the pending record (PendingUpdate under "
            u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch).", u"SDAT4500.EXE"),
    // A package still being written is waited for until it has stood still for 10 seconds.
    installs("it has stood still just long enough", written(-10s)),
    {"a time ahead of the clock must be seen standing still", one(written(1h)),
     listing({{u"Waiting until sdat4500.exe has not changed for 10 seconds..."}, installing(),
              kFinished}), {copyOf()}, u"SDAT4500.EXE", Installed},
};
// clang-format on

class Runs : public UpdateRunTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Runs, ListStartAndRecord) {
  const RunCase& c = GetParam();
  bool lockedAtStart = true;
  processes.onStart = [&] { lockedAtStart = system.lockHeld; };
  c.arrange(*this);
  ASSERT_TRUE(Run());
  EXPECT_EQ(RunLines(), c.lines);
  std::vector<std::u16string> started;
  for (const auto& start : processes.starts) started.push_back(start.commandLine);
  EXPECT_EQ(started, c.started);
  EXPECT_TRUE(lockedAtStart);
  EXPECT_EQ(Setting(u"LatestUpdate"), c.latest);
  EXPECT_EQ(outcome.Result, c.result.value_or(outcome.Result));
  // Dated when this run recorded the package.
  EXPECT_EQ(Setting(u"LatestUpdateDate").starts_with(u"2026-12-06 10:0"),
            !started.empty() && c.latest != kMissing);
  EXPECT_EQ(Setting(u"PendingUpdate"), c.pending);
  EXPECT_TRUE(c.pending != kMissing || PendingCleared());
  EXPECT_FALSE(system.lockHeld);  // let go when the run ended
  EXPECT_FALSE(files.disk.Has(native(u"/var/lib/sigpatch/packages/sdat4500.exe")));
  if (c.check) c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(Update, Runs, ::testing::ValuesIn(kRunCases));

TEST_F(UpdateRunTest, FaultsOfTheDiskAndTheFileSystemServiceAreReported) {
  AddPackage(u"/updates/sdat4500.exe");
  files.disk.faults[u"GetFolder"] = 70;
  ASSERT_TRUE(Run());
  EXPECT_EQ(RunLines(), (Lines{looking(), last()}));  // no "Finished!"
  EXPECT_EQ(Prompts(), u"sigpatch.AppMain.RunUpdates: 70, Permission denied|");
  EXPECT_EQ(windowing.messages[0].title, u"Sigpatch");
  windowing.messages.clear();
  files.available = false;
  EXPECT_FALSE(Run());
  EXPECT_EQ(Prompts(), u"Windows Scripting Host not available!|");
  EXPECT_EQ(RunLines(), Lines{});
  EXPECT_EQ(Setting(u"LatestUpdate"), kMissing);
}

TEST_F(UpdateRunTest, TheControllerRefusesAnEmptyFolder) {
  auto& controller = *Start(u"").AM();
  controller.FileMask = u"sdat*.exe";
  controller.CheckForUpdates();
  EXPECT_EQ(AllLines(), Lines{red(u"No Source path!")});
  EXPECT_EQ(controller.FileMask, u"sdat*.exe");  // the run ended before the mask
}

TEST_F(UpdateRunTest, ThePendingRecordIsWrittenBeforeTheStartAndClearedAfterIt) {
  AddPackage(u"/updates/sdat4500.exe");
  processes.onStart = [&] {
    for (const auto* name : {u"PendingUpdate", u"PendingBoot", u"PendingAttempts"})
      seen += Setting(name) + u" ";
  };
  processes.running[5000] = u"5000 77";
  processes.onWait = [&] { seen += Setting(u"PendingProcess"); };
  ASSERT_TRUE(Run());
  EXPECT_EQ(seen.substr(0, 29), u"SDAT4500.EXE boot-1 1 5000 77");
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(processes.starts[0].flags, platform::kCreateNewProcessGroup);
  EXPECT_EQ(system.catchCalls, (std::vector<bool>{true, false}));
}

TEST_F(UpdateRunTest, TheCloseBoxAnsweredNoKeepsWaiting) {
  AddPackage(u"/updates/sdat4500.exe");
  processes.runTime = 1s;
  processes.onWait = [this] { processes.onWait = nullptr, MainWindow().ClickCloseBox(); };
  ASSERT_TRUE(Run());
  EXPECT_EQ(Prompts(), u"Stop the installation of sdat4500.exe?|");
  EXPECT_EQ(windowing.messages[0].style, toolkit::MsgBoxStyle::YesNoQuestion);
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
}

// The package is left running and the record in place; the next boot counts it as installed.
TEST_F(UpdateRunTest, AShutDownLeavesThePackageRunningAndTheRecordInPlace) {
  AddPackage(u"/updates/sdat4500.exe");
  processes.runTime = 1h;
  processes.onWait = [this] { system.stopRequest = u"SIGTERM", system.shuttingDown = true; };
  ASSERT_TRUE(Run());
  EXPECT_EQ(RunLines(3), (Lines{installing(),
                                {u"The system is shutting down; sdat4500.exe is left "
                                 u"to finish and counts as installed at the next start."}}));
  EXPECT_TRUE(processes.processes.at(100).stops.empty());
  EXPECT_EQ(Setting(u"PendingUpdate"), u"SDAT4500.EXE");
  system.bootId = u"boot-2";
  processes.starts.clear();
  ASSERT_TRUE(Run());
  EXPECT_EQ(RunLines(1).at(0).text,
            u"SDAT4500.EXE was being installed when the system restarted; it counts as installed.");
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(outcome.Result, Installed);
}

class RunControlTest : public RunFixture {};
const std::u16string kSep(1, runtime::separatorOf(runtime::kNativePathStyle));
const std::u16string kUpdates = native(u"/updates"), kSrv = native(u"/srv/updates");
const std::u16string kCurrent = u"(the drive's current folder)",
                     kSigfetch = native(u"/srv/sigfetch/");

// How the source folder is settled: the stored Path (then with empty switches and mask, which the
// defaults replace), whether the downloader's folder is stored, the command line and the chooser,
// answered with the folder typed or Cancel (nullptr). A chooser that opens unasked fails the run:
// nobody answers it. Then the chooser's proposal ("" when it did not open), the run's folder, Path
// afterwards, and the values written when counted.
struct FolderCase {
  const char* name;
  const char16_t* stored;
  bool downloader;
  const char16_t* answer;
  std::u16string command, proposal, runFolder, path;
  int writes = -1;
};
void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }

// clang-format off
const FolderCase kFolderCases[] = {
    {"a first start asks, proposing the downloader's folder, and stores the answer", nullptr, true,
     u"/updates", u"", kSigfetch, kUpdates + kSep, kUpdates + kSep},
    {"a first start without a downloader proposes the current folder", nullptr, false, u"/updates",
     u"", kCurrent, kUpdates + kSep, kUpdates + kSep},
    {"a cancelled chooser ends the run quietly", nullptr, false, nullptr, u"", kCurrent, u"",
     kMissing},
    {"a first start with a folder runs and stores it as typed", nullptr, false, nullptr,
     u"/Path:" + kSrv, u"", kSrv + kSep, kSrv},
    {"a first start with /SetDef alone asks", nullptr, false, u"/updates", u"/SetDef", kCurrent,
     kUpdates + kSep, kUpdates + kSep},
    // The run header, the two defaults and the run's result are written; "Path" is not.
    {"a stored folder is used and not rewritten", u"/updates", false, nullptr, u"", u"",
     kUpdates + kSep, kUpdates, 5},
    {"a folder option wins over the stored folder for this run only", u"/updates", false, nullptr,
     u"/Path:" + kSrv, u"", kSrv + kSep, kUpdates},
    {"/SetDef stores the folder option as typed", u"/updates", false, nullptr,
     u"/path:" + kSrv + u" /setdef", u"", kSrv + kSep, kSrv},
    {"an empty folder option proposes the downloader's folder", u"/updates", true, u"/srv/updates",
     u"/Path", kSigfetch, kSrv + kSep, kUpdates},
    {"/SetDef without a folder option stores nothing", u"/updates", false, nullptr, u"/SetDef", u"",
     kUpdates + kSep, kUpdates},
    {"a folder of blanks is passed on unchanged", nullptr, false, nullptr, u"/Path:\"  \"", u"",
     u"  ", u"  "},
};
// clang-format on

class FolderSettling : public RunControlTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderSettling, SettlesTheSourceFolder) {
  const FolderCase& c = GetParam();
  if (c.stored) Set(u"Path", native(c.stored)), Set(u"SDATParam", u""), Set(u"FileMask", u"");
  if (c.downloader) Set(u"LocalPath", native(u"/srv/sigfetch"), kDownloaderKey);
  if (!c.proposal.empty()) AnswerChooser(c.answer ? std::optional(native(c.answer)) : std::nullopt);
  registry.calls.clear();
  const auto start = clock.now;
  ASSERT_TRUE(Run(c.command));
  EXPECT_EQ(chooserProposal,
            c.proposal == kCurrent ? windowing.folders.current + kSep : c.proposal);
  EXPECT_EQ(runFolder, c.runFolder);
  EXPECT_EQ(Setting(u"Path"), c.path);
  const int writes = registry.calls[fakes::FakeRegistry::Call::SetValueEx];
  EXPECT_EQ(writes, c.writes >= 0 ? c.writes : writes);
  EXPECT_EQ(Setting(u"LatestRunDate") + u"|" + Setting(u"LatestRunVersion") + u"|" +
                Setting(u"SDATParam") + u"|" + Setting(u"FileMask") + u"|" +
                Setting(u"LatestUpdate"),
            u"2026-12-06 10:00:00|Sigpatch V1.01.02|/SILENT /REBOOT|sdat*.exe|<missing>");
  const auto lines = RunLines();
  EXPECT_EQ(
      lines.empty() ? u"" : lines[0].text,
      c.runFolder.empty() ? u"" : u"Looking for SDAT*.EXE Updates in " + c.runFolder + u"...");
  EXPECT_EQ(Prompts(), u"");
  EXPECT_TRUE(!windowing.FindForm(u"frmMain") || !MainWindow().IsLoaded());
  EXPECT_GE(clock.now - start, 3s);
}

INSTANTIATE_TEST_SUITE_P(Runs, FolderSettling, ::testing::ValuesIn(kFolderCases));

TEST_F(RunControlTest, SilentWinsOverMinimizedAndMinimizedShowsTheWindowMinimized) {
  Set(u"Path", kUpdates);
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

TEST_F(RunControlTest, AStoreTheUserMayOnlyReadIsReadButNothingIsInstalled) {
  Set(u"Path", kUpdates), Set(u"LatestUpdate", u"SDAT4400.EXE");
  system.messages[5] = u"Access is denied.\r\n";
  registry.readOnly = true;
  AddPackage(u"/updates/sdat4500.exe");
  ASSERT_TRUE(Run());
  EXPECT_EQ(windowing.messages.at(0).prompt,
            u"Error updating registry:  5\r\nFor keyname: SOFTWARE\\Ferrolite\\Sigpatch\r\n"
            u"For variable: LatestRunDate");
  EXPECT_EQ(RunLines(1), (Lines{last(u"SDAT4400.EXE"),
                                {u"sdat4500.exe"},
                                red(u"Nothing is installed, as the settings cannot be written: 5, "
                                    u"Access is denied."),
                                kFinished}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(outcome.Result, RunResult::Failed);
}

TEST_F(RunControlTest, ALongResultIsCutToWhatTheSettingTakesAndLoggedWhole) {
  Set(u"Path", kUpdates);
  AddPackage(u"/updates/sdat4500.exe");
  processes.exit = {false, 9, std::u16string(200, u'x')};
  ASSERT_TRUE(Run());
  const std::u16string result = u"failed: sdat4500.exe: " + std::u16string(200, u'x');
  EXPECT_EQ(Setting(u"LatestRunResult"), result.substr(0, RegUtilities::kLongestSetting));
  ASSERT_EQ(eventLog.reports.size(), 1u);
  EXPECT_EQ(eventLog.reports[0].Message, result);
}

// Each run's exit status, LatestRunResult (whose first word the run's record in the system's log
// carries, when there is one), and what the program said in message boxes.
struct StatusCase {
  const char* name;
  std::function<void(RunControlTest&)> arrange;
  const char16_t* command;
  int status;
  std::u16string result, said = u"";
};
void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

void package(RunControlTest& t) {
  t.Set(u"Path", kUpdates), t.AddPackage(u"/updates/sdat4500.exe");
}
void withUsage(RunControlTest& t) { package(t), t.CloseAboutBox(); }
auto aged(int days, std::function<void(RunControlTest&)> more = {}) {
  return [=](RunControlTest& t) {
    package(t);
    t.files.disk.Node(native(u"/updates/sdat4500.exe")).modified = t.clock.now - days * 24h;
    if (more) more(t);
  };
}

// clang-format off
const StatusCase kStatusCases[] = {
    {"nothing newer", [](auto& t) { package(t), t.Set(u"LatestUpdate", u"SDAT4500.EXE"); }, u"", 0,
     u"nothing-newer: sdat4500.exe"},
    {"no package at all", [](auto& t) { t.Set(u"Path", kUpdates); }, u"", 0, u"nothing-newer"},
    {"the chooser cancelled", [](auto& t) { t.AnswerChooser(std::nullopt); }, u"", 0, kMissing},
    {"a missing folder", [](auto& t) { t.Set(u"Path", native(u"/gone")); }, u"", 1,
     u"failed: folder " + native(u"/gone/") + u" does not exist"},
    {"nobody to choose a folder", [](auto& t) { t.windowing.canAsk = false; }, u"", 1,
     u"failed: no source folder is stored", u"No source folder: none is stored, and nobody is here "
     u"to choose one. Store one with /Path:FOLDER /SetDef.|"},
    {"a package just as old as allowed", aged(14), u"", 0, u"installed: sdat4500.exe"},
    {"a package older than the stored limit",
     aged(31, [](auto& t) { t.Set(u"MaxPackageAgeDays", u"30"); }), u"", 3,
     u"stale: sdat4500.exe: 31 days old"},
    // The first write is the start's date, the second its version.
    {"a start whose version cannot be recorded",
     [](auto& t) { package(t), t.registry.FailCall(fakes::FakeRegistry::Call::SetValueEx, 5, 2); },
     u"", 1, u"installed: sdat4500.exe", u"Error updating registry:  5\r\nFor keyname: "
     u"SOFTWARE\\Ferrolite\\Sigpatch\r\nFor variable: LatestRunVersion|"},
    {"a stale package that fails", aged(23, [](auto& t) { t.processes.startSucceeds = false; }),
     u"", 1, u"failed: sdat4500.exe: No such file or directory"},
    // These stop before the run: the usage shows alone and starts nothing.
    {"the usage, over all else", withUsage, u"/Silent /? /Path:/srv", 0, kMissing},
    {"the usage by its short word", withUsage, u"-h", 0, kMissing},
    {"an unknown option", withUsage, u"--verbose", 2, kMissing, u"Invalid Argument: --verbose|"},
    {"an unknown option that ends in a number", withUsage, u"/Disk2", 2, kMissing,
     u"Invalid Argument: /DISK2|"},
    {"a duplicate argument", package, u"/Silent /silent", 2, kMissing,
     u"Duplicate Argument: silent|"},
    {"a failed construction", [](auto& t) { package(t), t.windowing.screen.pointerFault = 5; },
     u"", 1, kMissing, u"CreateObject AppMain failed|"},
};
// clang-format on

class EachRun : public RunControlTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(EachRun, EndsWithItsStatusAndItsResult) {
  const auto& c = GetParam();
  c.arrange(*this);
  Run(c.command);
  EXPECT_EQ(exitStatus, c.status);
  EXPECT_EQ(Setting(u"LatestRunResult"), c.result);
  EXPECT_EQ(Prompts(), c.said);
  const auto& reports = eventLog.reports;
  ASSERT_EQ(reports.size(), c.result == kMissing ? 0u : 1u);
  if (!reports.empty()) {
    EXPECT_EQ(platform::resultWord(reports[0].Result), c.result.substr(0, c.result.find(u':')));
    EXPECT_EQ(reports[0].ExitStatus, c.status);
    EXPECT_EQ(reports[0].IsError, c.result.starts_with(u"failed"));
    EXPECT_EQ(reports[0].Message, c.result);
  }
  if (!usage.empty()) {
    EXPECT_NE(usage.find(u"  /SetDef\t\tSets the specified path as default"), std::u16string::npos);
    EXPECT_FALSE(aboutOverMain);
    EXPECT_TRUE(processes.starts.empty());
  }
  // A stop before the run writes nothing; a wrong option is named as a critical fault.
  if (c.result != kMissing || c.said.empty()) return;
  EXPECT_EQ(Setting(u"LatestRunDate"), kMissing);
  EXPECT_TRUE(!c.said.starts_with(u"Invalid") ||
              windowing.messages[0].style == toolkit::MsgBoxStyle::Critical);
}

INSTANTIATE_TEST_SUITE_P(Runs, EachRun, ::testing::ValuesIn(kStatusCases));

}  // namespace
}  // namespace sigpatch::testing
