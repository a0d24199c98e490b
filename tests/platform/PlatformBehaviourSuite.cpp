// The rules every processes and system service under test keeps
// (PlatformBehaviour.h), instantiated here for the fakes; each test binary
// adds its real services.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fakes/FakeProcesses.h"
#include "fakes/FakeSystem.h"
#include "platform/PlatformBehaviour.h"
#include "runtime/Text.h"

namespace sigpatch::testing {
namespace {

using namespace platform;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// How a process ended: by itself or not, its code and the reason.
std::string ending(Processes& p, std::int32_t handle) {
  ProcessExit exit;
  if (!p.GetExitCodeProcess(handle, exit)) return "unknown";
  return (exit.byItself ? "by itself " : "stopped ") + std::to_string(exit.code) + " " +
         text::toUtf8(exit.reason);
}

TEST_P(ProcessesBehaviourTest, AnEndedProcessTellsHowUntilItsHandleIsClosed) {
  Processes& p = subject->processes();
  EXPECT_EQ(p.GetCurrentProcessId(), subject->ownPid);
  ProcessInformation info;
  ASSERT_TRUE(p.CreateProcess(subject->exit7, u"", info));
  EXPECT_TRUE(info.hProcess != 0 && info.dwProcessId > 0);
  ASSERT_EQ(p.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  EXPECT_EQ(p.WaitForSingleObject(info.hProcess, 0ms), WaitResult::Ended);
  EXPECT_EQ(ending(p, info.hProcess), "by itself 7 ");
  EXPECT_FALSE(p.StopProcess(info.hProcess, true)) << "it has ended";
  EXPECT_TRUE(p.CloseHandle(info.hProcess));
  // A closed handle is unknown to every call.
  EXPECT_FALSE(p.CloseHandle(info.hProcess));
  EXPECT_EQ(p.WaitForSingleObject(info.hProcess, 0ms), WaitResult::Failed);
  EXPECT_EQ(ending(p, info.hProcess), "unknown");
  EXPECT_FALSE(p.StopProcess(info.hProcess, true));
  EXPECT_EQ(p.WaitForSingleObject(0, 0ms), WaitResult::Failed);
}

TEST_P(ProcessesBehaviourTest, ARunningProcessTimesOutUntilItEndsByItself) {
  Processes& p = subject->processes();
  ProcessInformation info;
  ASSERT_TRUE(p.CreateProcess(subject->held, u"", info, kCreateNewProcessGroup));
  EXPECT_EQ(p.WaitForSingleObject(info.hProcess, 10ms), WaitResult::TimedOut);
  EXPECT_EQ(ending(p, info.hProcess), "unknown") << "it runs";
  subject->release();
  ASSERT_EQ(p.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  EXPECT_EQ(ending(p, info.hProcess), "by itself 5 ");
  EXPECT_TRUE(p.CloseHandle(info.hProcess));
}

TEST_P(ProcessesBehaviourTest, AForcedStopIsAnEndByTheSystem) {
  Processes& p = subject->processes();
  ProcessInformation info;
  ASSERT_TRUE(p.CreateProcess(subject->held, u"", info, kCreateNewProcessGroup));
  EXPECT_TRUE(p.StopProcess(info.hProcess, true));
  ASSERT_EQ(p.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  ProcessExit exit;
  ASSERT_TRUE(p.GetExitCodeProcess(info.hProcess, exit));
  EXPECT_FALSE(exit.byItself);
  EXPECT_EQ(text::toUtf8(exit.reason), text::toUtf8(subject->forcedReason));
  EXPECT_FALSE(p.StopProcess(info.hProcess, true)) << "it has ended";
  EXPECT_TRUE(p.CloseHandle(info.hProcess));
}

TEST_P(ProcessesBehaviourTest, AMissingProgramIsAFailedStartWithoutAHandle) {
  Processes& p = subject->processes();
  ProcessInformation info{7, 7};
  EXPECT_FALSE(p.CreateProcess(subject->missing, u"", info, kCreateNewProcessGroup));
  EXPECT_TRUE(info.hProcess == 0 && info.dwProcessId == 0);
  EXPECT_EQ(text::toUtf8(p.StartFailure()), text::toUtf8(subject->missingText));
}

TEST_P(SystemBehaviourTest, VersionNamesAndErrorTextsAreTheSystems) {
  System& s = subject->system();
  OsVersionInfo version;
  ASSERT_TRUE(s.GetVersionEx(version));
  EXPECT_EQ(version.dwPlatformId, subject->platformId);
  EXPECT_GT(version.dwMajorVersion, 0u);
  std::u16string name, message;
  ASSERT_TRUE(s.GetComputerName(name));
  EXPECT_EQ(text::toUpper(name), text::toUpper(subject->machine));
  ASSERT_TRUE(s.GetUserName(name));
  EXPECT_EQ(name, subject->user);
  ASSERT_TRUE(s.FormatMessage(2, message));
  EXPECT_EQ(message, subject->fileNotFoundText);
  EXPECT_FALSE(s.FormatMessage(123456, message)) << "no such code";
  EXPECT_FALSE(s.FormatMessage(subject->codeWithInsert, message)) << "a text with an insert";
}

// Read between two reads of the system's own clock, the tick count lies
// between them (counted from the first, across a wrap too).
TEST_P(SystemBehaviourTest, TheTickCountIsTheSystemsMillisecondsSinceBoot) {
  const std::uint32_t before = subject->ticks();
  const std::uint32_t ticks = subject->system().GetTickCount();
  const std::uint32_t after = subject->ticks() + subject->tickSlack;
  EXPECT_LE(ticks - before, after - before);
}

TEST_P(SystemBehaviourTest, ADirectorySearchFindsFilesFoldersAndPatterns) {
  if (subject->folder.empty()) GTEST_SKIP() << "a system without files";
  const std::u16string dir = subject->folder + subject->separator, sep(1, subject->separator);
  std::ofstream(fs::path(dir + u"sdat4321.exe")) << "x";
  fs::create_directory(fs::path(dir + u"sub"));
  for (const auto& [pattern, found] : {std::pair<std::u16string, bool>{u"sdat4321.exe", true},
                                       {u"sub", true},
                                       {u"sub" + sep, true},
                                       {u"sdat*.exe", true},
                                       {u"s?b", true},
                                       {u"*.zip", false},
                                       {u"missing" + sep, false},
                                       {u"missing" + sep + u"*", false}}) {
    EXPECT_EQ(subject->system().FindFirstFile(dir + pattern), found) << text::toUtf8(pattern);
  }
  EXPECT_FALSE(subject->system().FindFirstFile(u""));
}

TEST_P(SystemBehaviourTest, AWholeFileReplacesAFileAndNothingElse) {
  if (subject->folder.empty()) GTEST_SKIP() << "a system without files";
  System& s = subject->system();
  const std::u16string dir = subject->folder + subject->separator;
  std::ofstream(fs::path(dir + u"old.reg")) << "old";
  EXPECT_EQ(s.WriteWholeFile(dir + u"old.reg", "new") + s.WriteWholeFile(dir + u"made.reg", "made"),
            u"");
  for (const auto& [name, bytes] : {std::pair{u"old.reg", "new"}, {u"made.reg", "made"}}) {
    std::stringstream read;
    read << std::ifstream(fs::path(dir + name)).rdbuf();
    EXPECT_EQ(read.str(), bytes);
  }
  EXPECT_EQ(s.WriteWholeFile(subject->folder, "x"), u"it is a folder, not a file");
  EXPECT_NE(s.WriteWholeFile(dir + u"missing" + subject->separator + u"new.reg", "x"), u"");
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(subject->folder)), {}), 2);
}

struct FakeProcessesSubject : ProcessesSubject {
  FakeProcessesSubject() {
    exit7 = u"exit7", held = u"held", missing = u"missing", missingText = fake.startFailure;
    forcedReason = u"ended by signal 9 (Killed)", ownPid = fake.ownPid;
    fake.onStart = [this] {
      const std::u16string& line = fake.starts.back().commandLine;
      fake.startSucceeds = line != missing;
      fake.runTime = line == held ? std::chrono::hours(24) : 0ms;
      fake.exit = {true, line == held ? 5u : 7u, u""};
    };
  }
  Processes& processes() override { return fake; }
  void release() override {
    for (auto& [handle, process] : fake.processes) process.runTime = process.waited;
  }
  fakes::FakeProcesses fake;
};

struct FakeSystemSubject : SystemSubject {
  FakeSystemSubject() {
    platformId = kPlatformLinux, machine = fake.computerName, user = fake.userName;
    fake.messages[2] = fileNotFoundText = u"The system cannot find the file specified.\r\n";
    codeWithInsert = 193;
    fake.tickCount = 0xFFFFFFF0u;
  }
  System& system() override { return fake; }
  std::uint32_t ticks() override { return fake.tickCount; }
  fakes::FakeSystem fake;
};

INSTANTIATE_TEST_SUITE_P(Fake, ProcessesBehaviourTest,
                         ::testing::Values(ProcessesKind{
                             "Fake", [] { return std::make_unique<FakeProcessesSubject>(); }}),
                         KindName());
INSTANTIATE_TEST_SUITE_P(Fake, SystemBehaviourTest,
                         ::testing::Values(SystemKind{
                             "Fake", [] { return std::make_unique<FakeSystemSubject>(); }}),
                         KindName());

}  // namespace
}  // namespace sigpatch::testing
