// The update run: what it lists, installs and records, and that it installs a package once at
// most also when things go wrong: a store that stops taking writes, a restart or a killed run in
// the middle of an install, a package still being copied, the close box and a shut-down. What
// real packages, signals, stores and sources do: tests/e2e.

#include "app/RunFixture.h"

namespace sigpatch::testing {
namespace {

class UpdateRunTest : public RunFixture {
 public:
  UpdateRunTest() {
    Set(u"Path", native(u"/updates"));
    // Every wait for the package takes its time on the clock too.
    processes.onWait = [this] { fake.clock.Advance(100ms); };
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
// The package written `written` from now.
Arrange settling(std::chrono::seconds written) {
  return one([=](UpdateRunTest& t) {
    t.files.disk.Node(native(u"/updates/sdat4500.exe")).modified = t.fake.clock.now + written;
  });
}

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
// The package in a folder with a blank, run from a private folder with `blank` in it: quoted.
RunCase blankFolders(const char* name, std::u16string blank) {
  const auto copy = native(u"/var/lib/my" + blank + u"sigpatch");
  return {name,
          [=](UpdateRunTest& t) {
            t.Set(u"Path", native(u"/my updates"));
            t.AddPackage(u"/my updates/sdat4500.exe");
            t.system.privateFolder = copy;
            t.files.disk.AddFolder(copy);
          },
          {looking(u"/my updates/"),
           last(),
           {u"sdat4500.exe"},
           installing(u"/my updates/sdat4500.exe"),
           kFinished},
          {u"\"" + copy + native(u"/sdat4500.exe") + u"\" /SILENT /REBOOT"},
          u"SDAT4500.EXE"};
}
using enum RunResult;
using enum fakes::FakeRegistry::Call;
const Line kFailed = red(u"Installation failed!");

// clang-format off
const RunCase kRunCases[] = {
    {"a failed wait is a failed install", one([](auto& t) { t.processes.waitFails = true; }),
     listing({installing(), kFailed, red(u"sdat4500.exe: the wait for it failed"), kFinished}),
     {copyOf()}, kMissing, Failed},
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
    {"without the lock nothing is started", one([](auto& t) { t.system.locksAvailable = false; }),
     listing({red(u"Nothing is installed, as the update lock cannot be taken."), kFinished}), {},
     kMissing, Failed},
    {"a wait for the lock says every minute how long it has waited",
     one([](auto& t) { t.system.lockBusyTries = 4 * 130; }),  // 130 s of waits of 250 ms
     {looking(), {u"Waiting for the update run that is already under way..."},
      {u"Still waiting for the other update run (1 minute)..."},
      {u"Still waiting for the other update run (2 minutes)..."}, last(), {u"sdat4500.exe"},
      installing(), kFinished}, {copyOf()}, u"SDAT4500.EXE"},
    // The disk fills once the window is up: the run header was written, the pending record is not.
    {"a store that stops taking writes starts nothing",
     one([](auto& t) {
       t.system.messages[112] = u"There is not enough space on the disk.\r\n";
       t.Set(u"SDATParam", u"/SILENT /REBOOT"), t.Set(u"FileMask", u"sdat*.exe");
       t.fake.windowing.Queue([&t] { t.registry.FailCall(SetValueEx, 112); });
     }),
     listing({red(u"Nothing is installed, as the settings cannot be written: 112, There is not "
                  u"enough space on the disk."), kFinished}), {}, kMissing, Failed},
    {"the close box, answered Yes",
     one([](auto& t) {
       t.processes.runTime = 1h;
       t.fake.windowing.answerYes = true;
       t.processes.onWait = [&t] { t.MainWindow().ClickCloseBox(); };
     }),
     listing({installing(), kFailed, red(u"sdat4500.exe: stopped by the user"), kFinished}),
     {copyOf()}, kMissing, Failed,
     [](auto& t) { EXPECT_EQ(t.processes.processes.at(100).stops, std::vector<bool>{false}); }},
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
    {"the first attempt was cut short",
     one([](auto& t) {
       t.StorePending(u"boot-1", u"1");
       t.processes.onStart = [&t] { t.seen = t.Setting(u"PendingAttempts"); };
     }),
     listing({installing(), kFinished}), {copyOf()}, u"SDAT4500.EXE", Installed,
     [](auto& t) { EXPECT_EQ(t.seen, u"2"); }},
    {"two attempts were cut short", one([](auto& t) { t.StorePending(u"boot-1", u"2"); }),
     listing({red(u"The installation of SDAT4500.EXE was cut short 2 times since the system "
                  u"started; an administrator must check it and clear the pending record "
                  u"(PendingUpdate under HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch)."),
              kFinished}), {}, kMissing, Failed, {}, u"SDAT4500.EXE"},
    // A package still being written is waited for until it has stood still for 10 seconds.
    {"it has stood still just long enough", settling(-10s), listing({installing(), kFinished}),
     {copyOf()}, u"SDAT4500.EXE", Installed},
    {"a time ahead of the clock must be seen standing still", settling(1h),
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
  EXPECT_EQ(fake.windowing.messages[0].title, u"Sigpatch");
  fake.windowing.messages.clear();
  files.available = false;
  EXPECT_FALSE(Run());
  EXPECT_EQ(Prompts(), u"Windows Scripting Host not available!|");
  EXPECT_EQ(RunLines(), Lines{});
  EXPECT_EQ(Setting(u"LatestUpdate"), kMissing);
}

TEST_F(UpdateRunTest, TheControllerSetsTheStatusBarAndRefusesAnEmptyFolder) {
  auto& controller = *Start(u"").AM();
  controller.UpdateStatusBar(native(u"/updates/sub"));
  EXPECT_EQ(MainWindow().StatusBarNamed(u"sbInfo").PanelText(u"Info"), native(u"/updates/sub"));
  controller.FileMask = u"sdat*.exe";
  controller.CheckForUpdates();
  EXPECT_EQ(AllLines(), Lines{red(u"No Source path!")});
  EXPECT_EQ(controller.FileMask, u"sdat*.exe");  // the run ended before the mask
}

TEST_F(UpdateRunTest, TheWindowClosesThreeSecondsAfterTheLastLineUnlessPinned) {
  AddPackage(u"/updates/sdat4500.exe");
  processes.runTime = 1500ms;
  const auto start = fake.clock.now;
  ASSERT_TRUE(Run());
  EXPECT_FALSE(MainWindowOpen());
  EXPECT_GE(fake.clock.now - start, 3s);
  EXPECT_LT(fake.clock.now - start, 6s);
  AddPackage(u"/updates/sdat4600.exe");
  processes.onWait = [this] {
    processes.onWait = nullptr;
    fake.windowing.Queue([this] { MainWindow().ImageNamed(u"imgPin").Click(); });
  };
  ASSERT_TRUE(Run());
  EXPECT_TRUE(MainWindow().IsVisible());
  MainWindow().ImageNamed(u"imgPin").Click();
  EXPECT_FALSE(MainWindowOpen());
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
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::YesNoQuestion);
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

}  // namespace
}  // namespace sigpatch::testing
