// The update run: what it lists, installs and records, line by line.

#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/RunFixture.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

class UpdateRunTest : public RunFixture {
 public:
  UpdateRunTest() {
    Set(u"Path", native(u"/updates"));
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

// What a run lists, starts and records: the packages and settings a row
// arranges, every line of the run, the command lines started, LatestUpdate.
struct UpdateCase {
  const char* name;
  std::function<void(UpdateRunTest&)> arrange;
  std::vector<Line> lines;
  std::vector<std::u16string> started;
  std::u16string latest;
  std::u16string again = u"";  // LatestUpdate after a second run, when one is made
  std::function<void(UpdateRunTest&)> check = {};
};
void PrintTo(const UpdateCase& c, std::ostream* out) { *out << c.name; }

Line looking(std::u16string_view folder = u"/updates/", std::u16string_view mask = u"SDAT*.EXE") {
  return {u"Looking for " + std::u16string(mask) + u" Updates in " + native(folder) + u"...",
          kBlack};
}
Line last(std::u16string_view name = u"") {
  return {u"Last update on this PC: " + std::u16string(name), kBlack};
}
Line listed(std::u16string_view name) { return {std::u16string(name), kBlack}; }
Line installing(std::u16string_view path = u"/updates/sdat4500.exe") {
  return {u"Installing " + native(path) + u"...", kBlue};
}
const Line kFinished{u"Finished!", kBlack};
std::u16string copyOf(std::u16string_view name, std::u16string_view switches = u"/SILENT /REBOOT") {
  return native(u"/var/lib/sigpatch/packages/") + std::u16string(name) + u" " +
         std::u16string(switches);
}
auto packages(std::initializer_list<const char16_t*> names, const char16_t* latest = nullptr) {
  std::vector<std::u16string> all(names.begin(), names.end());
  return [=](UpdateRunTest& t) {
    if (latest) t.Set(u"LatestUpdate", latest);
    for (const auto& name : all) t.AddPackage(native(u"/updates/" + name));
  };
}
// The package in a folder with a blank, run from a private folder with `blank` in it.
auto blankFolders(std::u16string_view blank) {
  const std::u16string folder = u"/var/lib/my" + std::u16string(blank) + u"sigpatch";
  return [=](UpdateRunTest& t) {
    t.Set(u"Path", native(u"/my updates"));
    t.AddPackage(native(u"/my updates/sdat4500.exe"));
    t.system.privateFolder = native(folder);
    t.files.disk.AddFolder(t.system.privateFolder);
  };
}
std::u16string quoted(std::u16string_view blank) {
  return u"\"" + native(u"/var/lib/my" + std::u16string(blank) + u"sigpatch/sdat4500.exe") +
         u"\" /SILENT /REBOOT";
}
const Line kWaitingForLock{u"Waiting for the update run that is already under way...", kBlack};

// clang-format off
const UpdateCase kUpdateCases[] = {
    {"a package that cannot start is tried again next time",
     [](UpdateRunTest& t) { packages({u"sdat4500.exe"})(t), t.processes.startSucceeds = false; },
     {looking(), last(), listed(u"sdat4500.exe"), installing(), {u"Installation failed!", kRed},
      {u"sdat4500.exe: No such file or directory", kRed}, kFinished},
     {copyOf(u"sdat4500.exe")}, u"<missing>", u"SDAT4500.EXE"},
    {"a failed wait is a failed install",
     [](UpdateRunTest& t) { packages({u"sdat4500.exe"})(t), t.processes.waitFails = true; },
     {looking(), last(), listed(u"sdat4500.exe"), installing(), {u"Installation failed!", kRed},
      {u"sdat4500.exe: the wait for it failed", kRed}, kFinished},
     {copyOf(u"sdat4500.exe")}, u"<missing>"},
    {"a missing folder is said in red",
     [](UpdateRunTest& t) { t.Set(u"Path", native(u"/nowhere")); },
     {looking(u"/nowhere/"), last(),
      {u"Folder " + native(u"/nowhere/") + u" does not exist!", kRed}},
     {}, u"<missing>"},
    {"no matching file goes straight to Finished", packages({u"readme.txt", u"sdat4500.exe.bak"}),
     {looking(), last(), kFinished}, {}, u"<missing>"},
    {"older or equal packages are listed but not installed",
     packages({u"SDAT4500.EXE", u"sdat4400.exe"}, u"SDAT4500.EXE"),
     {looking(), last(u"SDAT4500.EXE"), listed(u"SDAT4500.EXE"), listed(u"sdat4400.exe"),
      kFinished},
     {}, u"SDAT4500.EXE"},
    {"names compare by code, not by number: \"1\" sorts before \"4\"",
     packages({u"sdat10000.exe"}, u"SDAT4999.EXE"),
     {looking(), last(u"SDAT4999.EXE"), listed(u"sdat10000.exe"), kFinished}, {}, u"SDAT4999.EXE"},
    {"a lower-case record is compared as stored", packages({u"sdat9999.exe"}, u"sdat4400.exe"),
     {looking(), last(u"sdat4400.exe"), listed(u"sdat9999.exe"), kFinished}, {}, u"sdat4400.exe"},
    {"among equal names the first listed wins", packages({u"sdat4500.exe", u"SDAT4500.EXE"}),
     {looking(), last(), listed(u"sdat4500.exe"), listed(u"SDAT4500.EXE"), installing(), kFinished},
     {copyOf(u"sdat4500.exe")}, u"SDAT4500.EXE"},
    {"the stored mask and switches are used",
     [](UpdateRunTest& t) {
       t.Set(u"FileMask", u"vscan??.bin");
       t.Set(u"SDATParam", u"-q");
       packages({u"VScan01.bin", u"sdat4500.exe"})(t);
     },
     {looking(u"/updates/", u"VSCAN??.BIN"), last(), listed(u"VScan01.bin"),
      installing(u"/updates/VScan01.bin"), kFinished},
     {copyOf(u"VScan01.bin", u"-q")}, u"VSCAN01.BIN"},
    {"a package path with a blank is quoted", blankFolders(u" "),
     {looking(u"/my updates/"), last(), listed(u"sdat4500.exe"),
      installing(u"/my updates/sdat4500.exe"),
      kFinished},
     {quoted(u" ")}, u"SDAT4500.EXE"},
    {"a package path with a tab is quoted", blankFolders(u"\t"),
     {looking(u"/my updates/"), last(), listed(u"sdat4500.exe"),
      installing(u"/my updates/sdat4500.exe"),
      kFinished},
     {quoted(u"\t")}, u"SDAT4500.EXE"},
    {"without the lock nothing is started",
     [](UpdateRunTest& t) { packages({u"sdat4500.exe"})(t), t.system.locksAvailable = false; },
     {looking(), last(), listed(u"sdat4500.exe"),
      {u"Nothing is installed, as the update lock cannot be taken.", kRed}, kFinished},
     {}, u"<missing>", u"",
     [](UpdateRunTest& t) { EXPECT_EQ(t.outcome.Result, RunResult::Failed); }},
    // The other run records the package while this one waits.
    {"a second run waits for the first and reads the record afresh",
     [](UpdateRunTest& t) {
       packages({u"sdat4500.exe"})(t);
       t.system.lockBusyTries = 3;
       t.fake.windowing.QueueAfter(400ms, [&t] { t.Set(u"LatestUpdate", u"SDAT4500.EXE"); });
     },
     {looking(), kWaitingForLock, last(u"SDAT4500.EXE"), listed(u"sdat4500.exe"), kFinished}, {},
     u"SDAT4500.EXE", u"",
     [](UpdateRunTest& t) {
       EXPECT_EQ(t.system.lockNames, std::vector<std::u16string>{u"UpdateRun"});
     }},
    {"a wait for the lock says every minute how long it has waited",
     [](UpdateRunTest& t) {
       packages({u"sdat4500.exe"})(t);
       t.system.lockBusyTries = 4 * 130;  // 130 s of waits of 250 ms
     },
     {looking(), kWaitingForLock,
      {u"Still waiting for the other update run (1 minute)...", kBlack},
      {u"Still waiting for the other update run (2 minutes)...", kBlack}, last(),
      listed(u"sdat4500.exe"), installing(), kFinished},
     {copyOf(u"sdat4500.exe")}, u"SDAT4500.EXE"},
};
// clang-format on

class Updates : public UpdateRunTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(Updates, ListStartAndRecord) {
  const UpdateCase& c = GetParam();
  c.arrange(*this);
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(RunLines(), c.lines);
  std::vector<std::u16string> started;
  for (const auto& start : processes.starts) started.push_back(start.commandLine);
  EXPECT_EQ(started, c.started);
  EXPECT_EQ(Setting(u"LatestUpdate"), c.latest);
  // Dated when this run recorded the package.
  EXPECT_EQ(Setting(u"LatestUpdateDate") != u"<missing>",
            !started.empty() && c.latest != u"<missing>");
  EXPECT_FALSE(system.lockHeld);  // let go when the run ended
  EXPECT_FALSE(files.disk.Has(native(u"/var/lib/sigpatch/packages/sdat4500.exe")));
  if (c.check) c.check(*this);
  if (c.again.empty()) return;
  processes.startSucceeds = true;
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(Setting(u"LatestUpdate"), c.again);
}

INSTANTIATE_TEST_SUITE_P(Runs, Updates, ::testing::ValuesIn(kUpdateCases));

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

TEST_F(UpdateRunTest, ARunHoldsTheLockWhileThePackageRuns) {
  AddPackage(native(u"/updates/sdat4500.exe"));
  bool heldDuringInstall = false;
  processes.onWait = [&] { heldDuringInstall = system.lockHeld; };
  ASSERT_TRUE(Run(u""));
  EXPECT_TRUE(heldDuringInstall);
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
