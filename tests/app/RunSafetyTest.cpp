// A package is installed once also when things go wrong: a store that cannot be
// written, a restart or a killed run in the middle of an install, a package
// that dies, hangs or is still being copied, and a run ended from outside.

#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "app/RunFixture.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

class RunSafetyTest : public RunFixture {
 protected:
  RunSafetyTest() {
    Store(kSettingsKey, u"Path", native(u"/updates"));
    AddPackage(native(u"/updates/sdat4500.exe"));
    // Every wait for the package takes its time on the clock too.
    processes.onWait = [this] { fake.clock.Advance(100ms); };
  }

  /// A fresh settings key with the source folder only.
  void ClearSettings() {
    RegUtilities().DeleteKey(kSettingsKey);
    Store(kSettingsKey, u"Path", native(u"/updates"));
  }
  void StorePending(std::u16string_view boot, std::u16string_view process,
                    std::u16string_view attempts) {
    Store(kSettingsKey, u"PendingBoot", boot);
    Store(kSettingsKey, u"PendingProcess", process);
    Store(kSettingsKey, u"PendingAttempts", attempts);
    Store(kSettingsKey, u"PendingUpdate", u"SDAT4500.EXE");
  }
  bool PendingCleared() {
    for (const auto* name :
         {u"PendingUpdate", u"PendingBoot", u"PendingProcess", u"PendingAttempts"}) {
      if (Setting(name) != u"<missing>") return false;
    }
    return true;
  }
  /// The lines after the package's name in the listing.
  std::vector<Line> LinesAfterListing() {
    auto lines = RunLines();
    return {lines.begin() + 3, lines.end()};
  }
};

const Line kInstalling{u"Installing " + native(u"/updates/sdat4500.exe") + u"...", kBlue};
const Line kFailed{u"Installation failed!", kRed};
const Line kFinished{u"Finished!", kBlack};

TEST_F(RunSafetyTest, ThePendingRecordIsWrittenBeforeTheStartAndClearedAfterIt) {
  std::vector<std::u16string> atStart;
  processes.onStart = [&] {
    for (const auto* name : {u"PendingUpdate", u"PendingBoot", u"PendingAttempts"}) {
      atStart.push_back(Setting(name));
    }
  };
  processes.running[5000] = u"5000 77";
  std::u16string process;
  processes.onWait = [&] { process = Setting(u"PendingProcess"); };
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(atStart, (std::vector<std::u16string>{u"SDAT4500.EXE", u"boot-1", u"1"}));
  EXPECT_EQ(process, u"5000 77");
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
  EXPECT_EQ(processes.starts[0].flags, platform::kCreateNewProcessGroup);
  EXPECT_EQ(system.catchCalls, (std::vector<bool>{true, false}));
  EXPECT_EQ(outcome.Result, RunResult::Installed);
}

TEST_F(RunSafetyTest, AStoreThatStopsTakingWritesStartsNothing) {
  system.messages[112] = u"There is not enough space on the disk.\r\n";
  Store(kSettingsKey, u"SDATParam", u"/SILENT /REBOOT");
  Store(kSettingsKey, u"FileMask", u"sdat*.exe");
  // The disk fills once the window is up: the run header was written, the
  // pending record is not.
  fake.windowing.Queue([this] { registry.FailCall(fakes::FakeRegistry::Call::SetValueEx, 112); });
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(LinesAfterListing(),
            (std::vector<Line>{{u"Nothing is installed, as the settings cannot be written: 112, "
                                u"There is not enough space on the disk.",
                                kRed},
                               kFinished}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(outcome.Result, RunResult::Failed);
}

TEST_F(RunSafetyTest, APackageThatDidNotEndByItselfIsAFailureWithItsReason) {
  struct Case {
    const char* name;
    bool starts;
    platform::ProcessExit exit;
    std::u16string reason;
    std::u16string recorded;
  };
  const Case cases[] = {
      {"a start that fails", false, {}, u"sdat4500.exe: Permission denied", u"<missing>"},
      {"killed",
       true,
       {false, 9, u"ended by signal 9 (Killed)"},
       u"sdat4500.exe: ended by signal 9 (Killed)",
       u"<missing>"},
      {"crashed",
       true,
       {false, 0xC0000005, u"ended with exception status 0xC0000005"},
       u"sdat4500.exe: ended with exception status 0xC0000005",
       u"<missing>"},
      {"an error code of its own", true, {true, 0xFFFFFFFF, u""}, u"", u"SDAT4500.EXE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearSettings();
    processes.startSucceeds = c.starts;
    processes.startFailure = u"Permission denied";
    processes.exit = c.exit;
    ASSERT_TRUE(Run(u""));
    if (c.reason.empty()) {
      EXPECT_EQ(LinesAfterListing(), (std::vector<Line>{kInstalling, kFinished}));
    } else {
      EXPECT_EQ(LinesAfterListing(),
                (std::vector<Line>{kInstalling, kFailed, {c.reason, kRed}, kFinished}));
      EXPECT_EQ(outcome.Reason, c.reason.substr(14));
    }
    EXPECT_EQ(Setting(u"LatestUpdate"), c.recorded);
    EXPECT_TRUE(PendingCleared());
  }
}

TEST_F(RunSafetyTest, APackageIsStoppedWhenAskedAndNothingIsRecorded) {
  struct Case {
    const char* name;
    std::function<void()> ask;
    bool endsWhenAsked;
    std::vector<bool> stops;
    std::u16string reason;
    bool finished;
  };
  const Case cases[] = {
      {"the program is asked to end",
       [this] { system.stopRequest = u"SIGTERM"; },
       true,
       {false},
       u"stopped, as the program was asked to end (SIGTERM)",
       false},
      {"a package that ignores the request is ended after the grace time",
       [this] { system.stopRequest = u"SIGINT"; },
       false,
       {false, true},
       u"stopped, as the program was asked to end (SIGINT)",
       false},
      {"the time limit",
       [] {},
       true,
       {false},
       u"stopped after running longer than 5 seconds (InstallTimeoutSeconds)",
       true},
      {"the close box, answered Yes",
       [this] {
         fake.windowing.answerYes = true;
         MainWindow().ClickCloseBox();
       },
       true,
       {false},
       u"stopped by the user",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearSettings();
    Store(kSettingsKey, u"InstallTimeoutSeconds", u"5");
    Store(kSettingsKey, u"StopGraceSeconds", u"2");
    system.stopRequest.clear();
    processes.runTime = 1h;
    processes.endsWhenAsked = c.endsWhenAsked;
    int waits = 0;
    processes.onWait = [&] {
      fake.clock.Advance(100ms);
      if (++waits == 3) c.ask();
    };
    ASSERT_TRUE(Run(u""));
    std::vector<Line> expected{kInstalling, kFailed, {u"sdat4500.exe: " + c.reason, kRed}};
    if (c.finished) expected.push_back(kFinished);
    EXPECT_EQ(LinesAfterListing(), expected);
    ASSERT_EQ(processes.processes.size(), 1u);
    EXPECT_EQ(processes.processes.begin()->second.stops, c.stops);
    processes.processes.clear();
    EXPECT_EQ(Setting(u"LatestUpdate"), u"<missing>");
    EXPECT_TRUE(PendingCleared());
    EXPECT_FALSE(system.lockHeld);
    EXPECT_EQ(outcome.Result, RunResult::Failed);
  }
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
  EXPECT_EQ(RunLines()[1],
            (Line{u"SDAT4500.EXE was being installed when the system restarted; it counts as "
                  u"installed.",
                  kBlack}));
  EXPECT_EQ(RunLines()[2], (Line{u"Last update on this PC: SDAT4500.EXE", kBlack}));
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_TRUE(PendingCleared());
  EXPECT_EQ(outcome.Result, RunResult::Installed);
}

TEST_F(RunSafetyTest, ARestartAfterThePackageWasRecordedKeepsItsDate) {
  // The system went down between recording the package and clearing the record.
  Store(kSettingsKey, u"LatestUpdate", u"SDAT4500.EXE");
  Store(kSettingsKey, u"LatestUpdateDate", u"2026-12-01 09:00:00");
  StorePending(u"boot-0", u"4999 12", u"1");
  ASSERT_TRUE(Run(u""));
  EXPECT_EQ(Setting(u"LatestUpdateDate"), u"2026-12-01 09:00:00");
  EXPECT_TRUE(PendingCleared());
  EXPECT_TRUE(processes.starts.empty());
}

TEST_F(RunSafetyTest, ARecordOfThisBootIsTriedAgainOnceAfterARunThatWasKilled) {
  struct Case {
    const char* name;
    const char16_t* attempts;
    bool starts;
  };
  const Case cases[] = {{"the first attempt was cut short", u"1", true},
                        {"two attempts were cut short", u"2", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearSettings();
    StorePending(u"boot-1", u"4999 12", c.attempts);
    processes.starts.clear();
    std::u16string attemptsAtStart;
    processes.onStart = [&] { attemptsAtStart = Setting(u"PendingAttempts"); };
    ASSERT_TRUE(Run(u""));
    EXPECT_EQ(processes.starts.size(), c.starts ? 1u : 0u);
    if (c.starts) {
      EXPECT_EQ(attemptsAtStart, u"2");
      EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");
      EXPECT_TRUE(PendingCleared());
    } else {
      EXPECT_EQ(LinesAfterListing()[0],
                (Line{u"The installation of SDAT4500.EXE was cut short 2 times since the system "
                      u"started; an administrator must check it and clear the pending record "
                      u"(PendingUpdate under HKEY_LOCAL_MACHINE\\SOFTWARE\\Ferrolite\\Sigpatch).",
                      kRed}));
      EXPECT_EQ(Setting(u"PendingUpdate"), u"SDAT4500.EXE");
      EXPECT_EQ(outcome.Result, RunResult::Failed);
    }
  }
}

TEST_F(RunSafetyTest, AnInstallStillUnderWayIsWaitedForAndNotStartedBesideIt) {
  StorePending(u"boot-1", u"4999 12", u"1");
  processes.running[4999] = u"4999 12";
  bool startedWhileRunning = false;
  processes.onStart = [&] { startedWhileRunning = processes.running.count(4999) != 0; };
  fake.windowing.QueueAfter(90s, [this] { processes.running.erase(4999); });
  ASSERT_TRUE(Run(u""));
  const auto lines = RunLines();
  EXPECT_EQ(
      std::vector<Line>(lines.begin() + 1, lines.begin() + 3),
      (std::vector<Line>{
          {u"Waiting for the installation of SDAT4500.EXE that is already under way...", kBlack},
          {u"Still waiting for the installation of SDAT4500.EXE (1 minute)...", kBlack}}));
  EXPECT_FALSE(startedWhileRunning);
  EXPECT_EQ(processes.starts.size(), 1u);
}

TEST_F(RunSafetyTest, APackageStillBeingWrittenIsWaitedForOrLeftForTheNextStart) {
  struct Case {
    const char* name;
    std::chrono::seconds written;  // when it was written, from now
    int changes;                   // how often it changes then, once every 5 s
    bool waits;
    bool starts;
  };
  // The case whose changes outlast its run comes last.
  const Case cases[] = {
      {"it has stood still just long enough", -10s, 0, false, true},
      {"it stands still after two changes", -2s, 2, true, true},
      {"a time ahead of the clock must be seen standing still", 1h, 0, true, true},
      {"it changes past the limit", -2s, 100, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearSettings();
    Store(kSettingsKey, u"PackageSettleLimitSeconds", u"60");
    processes.starts.clear();
    auto& file = files.disk.Node(native(u"/updates/sdat4500.exe"));
    file.modified = fake.clock.now + c.written;
    for (int i = 1; i <= c.changes; ++i) {
      fake.windowing.QueueAfter(i * 5s, [this, &file] {
        file.bytes += "more";
        file.modified = fake.clock.now;
      });
    }
    ASSERT_TRUE(Run(u""));
    const Line waiting{u"Waiting until sdat4500.exe has not changed for 10 seconds...", kBlack};
    EXPECT_EQ(LinesAfterListing()[0], c.waits ? waiting : kInstalling);
    EXPECT_EQ(processes.starts.size(), c.starts ? 1u : 0u);
    if (!c.starts) {
      EXPECT_EQ(LinesAfterListing()[1],
                (Line{u"sdat4500.exe is still changing after 60 seconds; it is left for the next "
                      u"start.",
                      kRed}));
      EXPECT_EQ(outcome.Result, RunResult::Failed);
    }
  }
}

TEST_F(RunSafetyTest, OnlyAPackageNobodyElseCouldHavePlantedRuns) {
  struct Case {
    const char* name;
    bool privileged;
    const char16_t* openTo;
    const char16_t* allow;
    const char16_t* keyring;
    const char16_t* signatureProblem;
    std::u16string refusal;  // "" when it runs
  };
  const Case cases[] = {
      {"a safe folder", true, u"", u"", u"", u"", u""},
      {"a folder open to a group", true, u"/updates is writable by the group staff", u"", u"", u"",
       u"sdat4500.exe is not started, as /updates is writable by the group staff."},
      {"the administrator accepts the risk", true, u"/updates is writable by the group staff", u"1",
       u"", u"", u""},
      {"an ordinary user's own run", false, u"/updates is writable by the group staff", u"", u"",
       u"", u""},
      {"a good signature", true, u"", u"", u"/etc/sigpatch/keyring.gpg", u"", u""},
      {"a bad signature", true, u"", u"", u"/etc/sigpatch/keyring.gpg", u"its signature is bad",
       u"sdat4500.exe is not started, as its signature is bad."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearSettings();
    Store(kSettingsKey, u"TrustedOwner", u"sigfetch");
    if (*c.allow) Store(kSettingsKey, u"AllowUntrustedSource", c.allow);
    if (*c.keyring) Store(kSettingsKey, u"PackageKeyring", c.keyring);
    system.privileged = c.privileged;
    system.openTo = c.openTo;
    system.signatureProblem = c.signatureProblem;
    system.trustChecks.clear();
    system.signatureChecks.clear();
    processes.starts.clear();
    ASSERT_TRUE(Run(u""));
    EXPECT_EQ(processes.starts.size(), c.refusal.empty() ? 1u : 0u);
    if (!c.refusal.empty()) {
      EXPECT_EQ(LinesAfterListing(), (std::vector<Line>{{c.refusal, kRed}, kFinished}));
      EXPECT_EQ(outcome.Result, RunResult::Failed);
    }
    if (c.privileged && !*c.allow) {
      EXPECT_EQ(system.trustChecks,
                std::vector<std::u16string>{native(u"/updates/sdat4500.exe") + u" sigfetch"});
    }
    if (*c.keyring) {
      // What is checked is the copy that runs, with the signature beside the package.
      EXPECT_EQ(system.signatureChecks,
                std::vector<std::u16string>{native(u"/var/lib/sigpatch/packages/sdat4500.exe") +
                                            u" " + native(u"/updates/sdat4500.exe") +
                                            u" /etc/sigpatch/keyring.gpg"});
    }
    EXPECT_FALSE(files.disk.Has(native(u"/var/lib/sigpatch/packages/sdat4500.exe")));
  }
}

}  // namespace
}  // namespace sigpatch::testing
