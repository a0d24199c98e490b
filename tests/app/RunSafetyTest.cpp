// A package is installed once also when things go wrong: a store that stops
// taking writes, a restart or a killed run in the middle of an install, a
// package still being copied, the close box and a shut-down. What a real
// package and a real signal do (killed, stopped, timed out, being written,
// still under way) tests/e2e/run_safety.sh checks end to end.

#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/RunFixture.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

class RunSafetyTest : public RunFixture {
 public:
  RunSafetyTest() {
    Set(u"Path", native(u"/updates"));
    AddPackage(native(u"/updates/sdat4500.exe"));
    // Every wait for the package takes its time on the clock too.
    processes.onWait = [this] { fake.clock.Advance(100ms); };
  }
  void StorePending(std::u16string_view boot, std::u16string_view attempts) {
    Set(u"PendingBoot", boot);
    Set(u"PendingProcess", u"4999 12");
    Set(u"PendingAttempts", attempts);
    Set(u"PendingUpdate", u"SDAT4500.EXE");
  }
  bool PendingCleared() {
    for (const auto* name :
         {u"PendingUpdate", u"PendingBoot", u"PendingProcess", u"PendingAttempts"})
      if (Setting(name) != u"<missing>") return false;
    return true;
  }
  /// The lines after the package's name in the listing.
  std::vector<Line> LinesAfterListing() {
    auto lines = RunLines();
    return {lines.begin() + std::min<std::size_t>(3, lines.size()), lines.end()};
  }
  std::u16string seen;  // what a row's hook saw
};

const Line kInstalling{u"Installing " + native(u"/updates/sdat4500.exe") + u"...", kBlue};
const Line kFailed{u"Installation failed!", kRed};
const Line kFinished{u"Finished!", kBlack};
struct Scenario {
  const char* name;
  std::function<void(RunSafetyTest&)> arrange;
  std::vector<Line> lines;  // after the listing; only the first ones when `first`
  std::u16string latest;    // LatestUpdate afterwards
  RunResult result;
  std::size_t starts;
  std::function<void(RunSafetyTest&)> check = {};
  bool first = false;
  std::u16string pending = u"<missing>";  // PendingUpdate afterwards
};
void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

// The package written `written` from now.
auto settling(std::chrono::seconds written) {
  return [=](RunSafetyTest& t) {
    t.files.disk.Node(native(u"/updates/sdat4500.exe")).modified = t.fake.clock.now + written;
  };
}
const Line kSettling{u"Waiting until sdat4500.exe has not changed for 10 seconds...", kBlack};
// Trust: whether the run is privileged, the folder's openness, AllowUntrustedSource,
// PackageKeyring and the signature's fault.
auto trust(bool privileged, std::u16string openTo, std::u16string allow, std::u16string keyring,
           std::u16string signatureProblem) {
  return [=](RunSafetyTest& t) {
    t.Set(u"TrustedOwner", u"sigfetch");
    if (!allow.empty()) t.Set(u"AllowUntrustedSource", allow);
    if (!keyring.empty()) t.Set(u"PackageKeyring", keyring);
    t.system.privileged = privileged;
    t.system.openTo = openTo;
    t.system.signatureProblem = signatureProblem;
  };
}
auto trustChecked(bool owner, bool signature) {
  return [=](RunSafetyTest& t) {
    using Checks = std::vector<std::u16string>;
    EXPECT_EQ(t.system.trustChecks,
              owner ? Checks{native(u"/updates/sdat4500.exe") + u" sigfetch"} : Checks{});
    // What is checked is the copy that runs, with the signature beside the package.
    EXPECT_EQ(t.system.signatureChecks,
              signature ? Checks{native(u"/var/lib/sigpatch/packages/sdat4500.exe") + u" " +
                                 native(u"/updates/sdat4500.exe") + u" /etc/sigpatch/keyring.gpg"}
                        : Checks{});
  };
}
const std::u16string kGroup = u"/updates is writable by the group staff";
const std::u16string kKeyring = u"/etc/sigpatch/keyring.gpg";

// clang-format off
const Scenario kScenarios[] = {
    {"a store that stops taking writes starts nothing",
     [](RunSafetyTest& t) {
       t.system.messages[112] = u"There is not enough space on the disk.\r\n";
       t.Set(u"SDATParam", u"/SILENT /REBOOT");
       t.Set(u"FileMask", u"sdat*.exe");
       // The disk fills once the window is up: the run header was written, the
       // pending record is not.
       t.fake.windowing.Queue(
           [&t] { t.registry.FailCall(fakes::FakeRegistry::Call::SetValueEx, 112); });
     },
     {{u"Nothing is installed, as the settings cannot be written: 112, There is not enough space "
       u"on the disk.",
       kRed},
      kFinished},
     u"<missing>", RunResult::Failed, 0},
    // A package that ended by itself has ended, whatever its code; the others
    // (killed, stopped, timed out) are in tests/e2e/run_safety.sh.
    {"an error code of its own is an ending by itself",
     [](RunSafetyTest& t) { t.processes.exit = {true, 0xFFFFFFFF, u""}; },
     {kInstalling, kFinished}, u"SDAT4500.EXE", RunResult::Installed, 1},
    {"the close box, answered Yes",
     [](RunSafetyTest& t) {
       t.processes.runTime = 1h;
       t.processes.onWait = [&t] {
         t.fake.windowing.answerYes = true;
         t.MainWindow().ClickCloseBox();
       };
     },
     {kInstalling, kFailed, {u"sdat4500.exe: stopped by the user", kRed}, kFinished}, u"<missing>",
     RunResult::Failed, 1,
     [](RunSafetyTest& t) {
       ASSERT_EQ(t.processes.processes.size(), 1u);
       EXPECT_EQ(t.processes.processes.begin()->second.stops, std::vector<bool>{false});
     }},
    // The system went down between recording the package and clearing the record.
    {"a restart after the package was recorded keeps its date",
     [](RunSafetyTest& t) {
       t.Set(u"LatestUpdate", u"SDAT4500.EXE");
       t.Set(u"LatestUpdateDate", u"2026-12-01 09:00:00");
       t.StorePending(u"boot-0", u"1");
     },
     {{u"sdat4500.exe", kBlack}, kFinished},  // after the line on the restart
     u"SDAT4500.EXE", RunResult::Installed, 0,
     [](RunSafetyTest& t) { EXPECT_EQ(t.Setting(u"LatestUpdateDate"), u"2026-12-01 09:00:00"); }},
    // A record of this boot is tried again once after a run that was killed.
    {"the first attempt was cut short",
     [](RunSafetyTest& t) {
       t.StorePending(u"boot-1", u"1");
       t.processes.onStart = [&t] { t.seen = t.Setting(u"PendingAttempts"); };
     },
     {kInstalling, kFinished}, u"SDAT4500.EXE", RunResult::Installed, 1,
     [](RunSafetyTest& t) { EXPECT_EQ(t.seen, u"2"); }},
    {"two attempts were cut short", [](RunSafetyTest& t) { t.StorePending(u"boot-1", u"2"); },
     {{u"The installation of SDAT4500.EXE was cut short 2 times since the system started; an "
       u"administrator must check it and clear the pending record (PendingUpdate under "
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch).",
       kRed}},
     u"<missing>", RunResult::Failed, 0, {}, true, u"SDAT4500.EXE"},
    // A package still being written is waited for (tests/e2e/run_safety.sh: until it stands
    // still, or left for the next start).
    {"it has stood still just long enough", settling(-10s), {kInstalling}, u"SDAT4500.EXE",
     RunResult::Installed, 1, {}, true},
    {"a time ahead of the clock must be seen standing still", settling(1h),
     {kSettling, kInstalling}, u"SDAT4500.EXE", RunResult::Installed, 1, {}, true},
    // Only a package nobody else could have planted runs.
    {"a folder open to a group", trust(true, kGroup, u"", u"", u""),
     {{u"sdat4500.exe is not started, as " + kGroup + u".", kRed}, kFinished}, u"<missing>",
     RunResult::Failed, 0, trustChecked(true, false)},
    {"the administrator accepts the risk", trust(true, kGroup, u"1", u"", u""),
     {kInstalling, kFinished}, u"SDAT4500.EXE", RunResult::Installed, 1,
     trustChecked(false, false)},
    {"an ordinary user's own run", trust(false, kGroup, u"", u"", u""), {kInstalling, kFinished},
     u"SDAT4500.EXE", RunResult::Installed, 1, trustChecked(false, false)},
    {"a bad signature", trust(true, u"", u"", kKeyring, u"its signature is bad"),
     {{u"sdat4500.exe is not started, as its signature is bad.", kRed}, kFinished}, u"<missing>",
     RunResult::Failed, 0, trustChecked(true, true)},
};
// clang-format on

class Scenarios : public RunSafetyTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(Scenarios, InstallOnceAtMost) {
  const Scenario& s = GetParam();
  s.arrange(*this);
  ASSERT_TRUE(Run(u""));
  auto lines = LinesAfterListing();
  if (s.first) lines.resize(std::min(lines.size(), s.lines.size()));
  EXPECT_EQ(lines, s.lines);
  EXPECT_EQ(Setting(u"LatestUpdate"), s.latest);
  EXPECT_EQ(outcome.Result, s.result);
  EXPECT_EQ(processes.starts.size(), s.starts);
  if (s.pending == u"<missing>") {
    EXPECT_TRUE(PendingCleared());
  }
  EXPECT_EQ(Setting(u"PendingUpdate"), s.pending);
  EXPECT_FALSE(system.lockHeld);
  EXPECT_FALSE(files.disk.Has(native(u"/var/lib/sigpatch/packages/sdat4500.exe")));
  if (s.check) s.check(*this);
}

INSTANTIATE_TEST_SUITE_P(Runs, Scenarios, ::testing::ValuesIn(kScenarios));

TEST_F(RunSafetyTest, ThePendingRecordIsWrittenBeforeTheStartAndClearedAfterIt) {
  std::vector<std::u16string> atStart;
  processes.onStart = [&] {
    for (const auto* name : {u"PendingUpdate", u"PendingBoot", u"PendingAttempts"})
      atStart.push_back(Setting(name));
  };
  processes.running[5000] = u"5000 77";
  processes.onWait = [&] { seen = Setting(u"PendingProcess"); };
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(atStart, (std::vector<std::u16string>{u"SDAT4500.EXE", u"boot-1", u"1"}));
  EXPECT_EQ(seen, u"5000 77");
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(processes.starts[0].flags, platform::kCreateNewProcessGroup);
  EXPECT_EQ(system.catchCalls, (std::vector<bool>{true, false}));
}

TEST_F(RunSafetyTest, TheCloseBoxAnsweredNoKeepsWaiting) {
  processes.runTime = 1s;
  processes.onWait = [this] {
    processes.onWait = nullptr;
    MainWindow().ClickCloseBox();
  };
  ASSERT_TRUE(Run(u""));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"Stop the installation of sdat4500.exe?");
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::YesNoQuestion);
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
}

TEST_F(RunSafetyTest, AShutDownLeavesThePackageRunningAndTheRecordInPlace) {
  processes.runTime = 1h;
  processes.onWait = [this] {
    system.stopRequest = u"SIGTERM";
    system.shuttingDown = true;
  };
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(LinesAfterListing(),
            (std::vector<Line>{kInstalling,
                               {u"The system is shutting down; sdat4500.exe is left to finish and "
                                u"counts as installed at the next start.",
                                kBlack}}));
  EXPECT_TRUE(processes.processes.begin()->second.stops.empty());
  EXPECT_EQ(Setting(u"PendingUpdate"), u"SDAT4500.EXE");

  // The next boot counts it as installed and starts nothing.
  system.bootId = u"boot-2";
  processes.starts.clear();
  ASSERT_TRUE(Run(u""));
  const auto lines = RunLines();
  EXPECT_EQ(std::vector<Line>(lines.begin() + 1, lines.begin() + 3),
            (std::vector<Line>{{u"SDAT4500.EXE was being installed when the system restarted; it "
                                u"counts as installed.",
                                kBlack},
                               {u"Last update on this PC: SDAT4500.EXE", kBlack}}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(outcome.Result, RunResult::Installed);
}

}  // namespace
}  // namespace sigpatch::testing
