// What a run tells the one who started it: the exit status, the result in
// "LatestRunResult" and the system's log, and the options that stop the program
// before it runs (--version and a relative folder: tests/e2e/options.sh).

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "app/RunFixture.h"
#include "platform/EventLog.h"

namespace sigpatch::testing {
namespace {

using namespace std::chrono_literals;

class ExitStatusTest : public RunFixture {
 protected:
  ExitStatusTest() {
    files.disk.AddFolder(native(u"/updates"));
    fake.windowing.folders.AddFolder(native(u"/updates"));
  }
};

struct StatusCase {
  const char* name;
  std::function<void(RunFixture&)> arrange;
  const char16_t* command;
  int status;
  std::u16string result;       // LatestRunResult
  std::u16string_view logged;  // the result word of the run's record in the system's log; "": none
};
void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

void stored(RunFixture& t) { t.Set(u"Path", native(u"/updates")); }
void package(RunFixture& t) {
  stored(t);
  t.AddPackage(native(u"/updates/sdat4500.exe"));
}
void withUsage(RunFixture& t) {
  package(t);
  t.CloseAboutBox();
}
auto aged(int days, std::function<void(RunFixture&)> more = {}) {
  return [=](RunFixture& t) {
    package(t);
    t.files.disk.Node(native(u"/updates/sdat4500.exe")).modified = t.fake.clock.now - days * 24h;
    if (more) more(t);
  };
}
constexpr auto kMissing = u"<missing>";

const StatusCase kStatusCases[] = {
    {"installed", package, u"", 0, u"installed: sdat4500.exe", u"installed"},
    {"nothing newer", [](RunFixture& t) { package(t), t.Set(u"LatestUpdate", u"SDAT4500.EXE"); },
     u"", 0, u"nothing-newer: sdat4500.exe", u"nothing-newer"},
    {"no package at all", stored, u"", 0, u"nothing-newer", u"nothing-newer"},
    {"the chooser cancelled", [](RunFixture& t) { t.AnswerChooser(std::nullopt); }, u"", 0,
     kMissing, u""},
    {"a failed installation",
     [](RunFixture& t) {
       package(t), t.processes.exit = {false, 9, u"ended by signal 9 (Killed)"};
     },
     u"", 1, u"failed: sdat4500.exe: ended by signal 9 (Killed)", u"failed"},
    {"a missing folder", [](RunFixture& t) { t.Set(u"Path", native(u"/gone")); }, u"", 1,
     u"failed: folder " + native(u"/gone/") + u" does not exist", u"failed"},
    {"nobody to choose a folder", [](RunFixture& t) { t.fake.windowing.canAsk = false; }, u"", 1,
     u"failed: no source folder is stored", u"failed"},
    {"a stale package", aged(23), u"", 3, u"stale: sdat4500.exe: 23 days old", u"stale"},
    {"a package just as old as allowed", aged(14), u"", 0, u"installed: sdat4500.exe",
     u"installed"},
    // The first write is the start's date, the second its version.
    {"a start whose version cannot be recorded",
     [](RunFixture& t) {
       package(t), t.registry.FailCall(fakes::FakeRegistry::Call::SetValueEx, 5, 2);
     },
     u"", 1, u"installed: sdat4500.exe", u"installed"},
    {"a stale package that fails",
     aged(23, [](RunFixture& t) { t.processes.startSucceeds = false; }), u"", 1,
     u"failed: sdat4500.exe: No such file or directory", u"failed"},
    {"the usage", withUsage, u"--HELP", 0, kMissing, u""},
    {"the usage by its short word", withUsage, u"-h", 0, kMissing, u""},
    {"an unknown option", withUsage, u"/Silent /Bogus:1", 2, kMissing, u""},
    {"an unknown option that ends in a number", withUsage, u"/Disk2", 2, kMissing, u""},
    {"an unknown word that looks like an option", withUsage, u"-x", 2, kMissing, u""},
    {"a duplicate argument", package, u"/Silent /silent", 2, kMissing, u""},
};

class EachRun : public ExitStatusTest, public ::testing::WithParamInterface<StatusCase> {};

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
    if (c.result != kMissing) {
      EXPECT_EQ(reports[0].Message, c.result);
    }
  }
  EXPECT_TRUE(c.status != 2 || processes.starts.empty());
}

INSTANTIATE_TEST_SUITE_P(Runs, EachRun, ::testing::ValuesIn(kStatusCases));

TEST_F(ExitStatusTest, AnUnknownOptionIsNamedWithTheUsageBeforeAnythingIsWritten) {
  package(*this);
  CloseAboutBox();
  EXPECT_FALSE(Run(u"--verbose"));
  ASSERT_EQ(fake.windowing.messages.size(), 1u);
  EXPECT_EQ(fake.windowing.messages[0].prompt, u"Invalid Argument: --verbose");
  EXPECT_EQ(fake.windowing.messages[0].style, toolkit::MsgBoxStyle::Critical);
  EXPECT_NE(usage.find(u"  /SetDef\t\tSets the specified path as default"), std::u16string::npos);
  EXPECT_EQ(Setting(u"LatestRunDate"), u"<missing>");
  EXPECT_TRUE(processes.starts.empty());
}

TEST_F(ExitStatusTest, ALongResultIsCutToWhatTheSettingTakesAndLoggedWhole) {
  package(*this);
  const std::u16string reason(200, u'x');
  processes.exit = {false, 9, reason};
  ASSERT_TRUE(Run(u""));
  const std::u16string result = u"failed: sdat4500.exe: " + reason;
  EXPECT_EQ(Setting(u"LatestRunResult"), result.substr(0, RegUtilities::kLongestSetting));
  ASSERT_EQ(fake.eventLog.reports.size(), 1u);
  EXPECT_EQ(fake.eventLog.reports[0].Message, result);
}

TEST_F(ExitStatusTest, AStalePackageIsSaidInRedAfterTheRun) {
  aged(31)(*this);
  Set(u"MaxPackageAgeDays", u"30");
  ASSERT_TRUE(Run(u""));
  const auto lines = RunLines();
  EXPECT_EQ(lines[lines.size() - 2], (Line{u"Finished!", kBlack}));
  EXPECT_EQ(lines.back(), (Line{u"The newest package, sdat4500.exe, is 31 days old.", kRed}));
  EXPECT_EQ(Setting(u"LatestUpdate"), u"SDAT4500.EXE");  // installed all the same
}

}  // namespace
}  // namespace sigpatch::testing
