// Processes on CreateProcess and the shell, with real Windows programs that the
// build makes: one records its command line and working folder, one ends with
// exit code 7, one runs three seconds.

#include <gtest/gtest.h>

#include <chrono>

#include "Win32TestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/Text.h"
#include "platform/win32/Win32Processes.h"
#include "util/ProcessUtilities.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace std::chrono_literals;
using sigpatch::testing::builtProgram;
using sigpatch::testing::readFile;
using sigpatch::testing::TempFolder;
using sigpatch::testing::writeFile;

/// What the recording program wrote: its command line and its working folder.
struct Record {
  std::u16string commandLine;
  std::u16string folder;
  bool operator==(const Record&) const = default;
  friend void PrintTo(const Record& record, std::ostream* out) {
    *out << "{" << text::toUtf8(record.commandLine) << " | " << text::toUtf8(record.folder) << "}";
  }
};

Record readRecord(const std::u16string& file) {
  const std::u16string contents = text::fromUtf8(readFile(file));
  const auto first = contents.find(u'\n');
  if (first == std::u16string::npos) return {};
  const auto second = contents.find(u'\n', first + 1);
  return {contents.substr(0, first), contents.substr(first + 1, second - first - 1)};
}

std::u16string inQuotes(const std::u16string& path) { return u"\"" + path + u"\""; }

/// Sets an environment variable for the lifetime of the object.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const std::u16string& value) : name_(name) {
    ::SetEnvironmentVariableW(name_, wide(value).c_str());
  }
  ~ScopedVariable() { ::SetEnvironmentVariableW(name_, nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name_;
};

class Win32ProcessesTest : public ::testing::Test {
 protected:
  // Starts a command line and waits up to 10 s for it; true when it ended.
  bool run(const std::u16string& line, const std::u16string& folder = {}) {
    ProcessInformation info;
    if (!processes.CreateProcess(line, folder, info)) return false;
    EXPECT_NE(info.hProcess, 0);
    EXPECT_GT(info.dwProcessId, 0);
    const WaitResult result = processes.WaitForSingleObject(info.hProcess, 10s);
    EXPECT_TRUE(processes.CloseHandle(info.hProcess));
    return result == WaitResult::Ended;
  }

  TempFolder dir;
  std::u16string recordFile = dir / u"record.txt";
  ScopedVariable recordTo{L"SIGPATCH_PROBE_RECORD", recordFile};
  std::u16string recorder = builtProgram(SIGPATCH_RECORD_PROBE);
  std::u16string exit7 = builtProgram(SIGPATCH_EXIT7_PROBE);
  std::u16string sleep3 = builtProgram(SIGPATCH_SLEEP3_PROBE);
  Win32Processes processes;
};

TEST_F(Win32ProcessesTest, TheCommandLineReachesTheProgramAsItIs) {
  const std::u16string line =
      inQuotes(recorder) + u"  /Path:\"C:\\My Updates\\\" \"a \\\"b\\\"\"\tlast\\ \u00E9t\u00E9";
  ASSERT_TRUE(run(line, dir.path()));
  EXPECT_EQ(readRecord(recordFile), (Record{line, dir.path()}));
}

TEST_F(Win32ProcessesTest, AnUnquotedPathWithABlankIsSplitByTheSystem) {
  // The system tries "...\with" first, then "...\with blank\record.exe".
  TempFolder blank(u"with blank ");
  const std::u16string copy = blank / u"recorder.exe";
  ASSERT_NE(::CopyFileW(wide(recorder).c_str(), wide(copy).c_str(), FALSE), 0);
  ASSERT_TRUE(run(copy + u" /SILENT /REBOOT", dir.path()));
  ASSERT_FALSE(readRecord(recordFile).commandLine.empty()) << "the program ran";
  if (sigpatch::testing::underWine()) {
    GTEST_SKIP() << "Wine puts quotes around a program's name that it found at a blank; "
                    "Windows passes the command line on as it is";
  }
  EXPECT_EQ(readRecord(recordFile).commandLine, copy + u" /SILENT /REBOOT");
}

TEST_F(Win32ProcessesTest, WithoutAFolderTheProgramWorksInOurs) {
  wchar_t current[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, current);
  ASSERT_TRUE(run(inQuotes(recorder)));
  EXPECT_EQ(readRecord(recordFile).folder, fromWide(current));
}

TEST_F(Win32ProcessesTest, AProgramThatCannotStartGivesNoHandle) {
  ProcessInformation info{99, 99};
  EXPECT_FALSE(processes.CreateProcess(inQuotes(dir / u"missing.exe"), u"", info));
  EXPECT_EQ(info.hProcess, 0);
  EXPECT_EQ(info.dwProcessId, 0);
  writeFile(dir / u"notaprogram.exe", "just text");
  EXPECT_FALSE(processes.CreateProcess(inQuotes(dir / u"notaprogram.exe"), u"", info));
  EXPECT_FALSE(processes.CreateProcess(inQuotes(recorder), dir / u"missing", info))
      << "a working folder that does not exist";
}

TEST_F(Win32ProcessesTest, WaitsEndWithTheProcessOrTheTime) {
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(inQuotes(sleep3), u"", info));
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 100ms), WaitResult::TimedOut);
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 10s), WaitResult::Ended);
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 0ms), WaitResult::Ended);
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 0ms), WaitResult::Failed);
  EXPECT_FALSE(processes.CloseHandle(info.hProcess));
  EXPECT_EQ(processes.WaitForSingleObject(0, 0ms), WaitResult::Failed);
  EXPECT_FALSE(processes.CloseHandle(12345));
}

TEST_F(Win32ProcessesTest, AnExitCodeIsNoFailure) { EXPECT_TRUE(run(inQuotes(exit7))); }

TEST_F(Win32ProcessesTest, HowAProcessEndedIsToldOnceItHasEnded) {
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(inQuotes(exit7), u"", info, kCreateNewProcessGroup));
  ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 10s), WaitResult::Ended);
  ProcessExit exit;
  ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
  EXPECT_TRUE(exit.byItself);
  EXPECT_EQ(exit.code, 7U);
  EXPECT_TRUE(exit.reason.empty());
  EXPECT_FALSE(processes.StopProcess(info.hProcess, true)) << "it has ended";
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_FALSE(processes.GetExitCodeProcess(info.hProcess, exit)) << "closed";

  EXPECT_FALSE(processes.CreateProcess(inQuotes(dir / u"missing.exe"), u"", info));
  EXPECT_FALSE(processes.StartFailure().empty()) << "the system's reason";
}

TEST_F(Win32ProcessesTest, AGroupThatIsStoppedByForceEndsAndLosesItsIdentity) {
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(inQuotes(sleep3), u"", info, kCreateNewProcessGroup));
  const std::u16string identity = processes.ProcessIdentity(info.dwProcessId);
  EXPECT_EQ(identity.substr(0, identity.find(u' ')), text::dec(info.dwProcessId));
  EXPECT_GT(identity.size(), text::dec(info.dwProcessId).size() + 1) << "and its start time";
  EXPECT_EQ(processes.ProcessIdentity(info.dwProcessId), identity) << "the same while it runs";
  ProcessExit exit;
  EXPECT_FALSE(processes.GetExitCodeProcess(info.hProcess, exit)) << "it runs";

  EXPECT_TRUE(processes.StopProcess(info.hProcess, true));
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 10s), WaitResult::Ended);
  ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
  EXPECT_EQ(exit.code, 1U);
  EXPECT_EQ(processes.ProcessIdentity(info.dwProcessId), u"") << "no longer runs";
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_EQ(processes.ProcessIdentity(0), u"");
}

TEST_F(Win32ProcessesTest, AGroupStillRunningEndsWithTheProgram) {
  // The package runs until the file it waits for appears (two minutes at most).
  ScopedVariable release{L"SIGPATCH_PROBE_RELEASE", dir / u"release"};
  HANDLE package = nullptr;
  {
    Win32Processes program;  // its end stands for the end of the program
    ProcessInformation info;
    ASSERT_TRUE(program.CreateProcess(inQuotes(builtProgram(SIGPATCH_HOLD_PROBE)), u"", info,
                                      kCreateNewProcessGroup));
    package = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(info.dwProcessId));
    ASSERT_NE(package, nullptr);
    EXPECT_TRUE(program.CloseHandle(info.hProcess));
    EXPECT_EQ(::WaitForSingleObject(package, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "a closed handle leaves the package running";
  }
  EXPECT_EQ(::WaitForSingleObject(package, 60000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the package ended with the program";
  ::CloseHandle(package);
}

TEST_F(Win32ProcessesTest, TheShellAnswersForMissingAndUnknownDocuments) {
  EXPECT_EQ(processes.ShellExecute(u"open", dir / u"missing.txt", u"", u""), kSeErrFileNotFound);
  EXPECT_EQ(processes.ShellExecute(u"openas", dir / u"missing.txt", u"", u""), kSeErrFileNotFound);
  writeFile(dir / u"notes.sigpatchunknown", "n");
  EXPECT_EQ(processes.ShellExecute(u"open", dir / u"notes.sigpatchunknown", u"", u""),
            kSeErrNoAssoc);
}

TEST_F(Win32ProcessesTest, TheOwnProcessNumberIsTheSystems) {
  EXPECT_EQ(processes.GetCurrentProcessId(), static_cast<std::int32_t>(::GetCurrentProcessId()));
}

// The library's process launching on these processes.
class Win32ProcessUtilitiesTest : public Win32ProcessesTest {
 protected:
  Win32ProcessUtilitiesTest() {
    fake.windowing.app.Path = dir.path();
    fake.Set([&](Platform& s) { s.processes = &processes; });
  }

  fakes::FakePlatform fake;
  ProcessUtilities pu;
};

TEST_F(Win32ProcessUtilitiesTest, ShellWaitRunsInTheProgramsFolderAndGivesZero) {
  EXPECT_EQ(pu.ShellWait(inQuotes(recorder) + u" /SILENT /REBOOT", u""), 0);
  EXPECT_EQ(readRecord(recordFile), (Record{inQuotes(recorder) + u" /SILENT /REBOOT", dir.path()}));
  EXPECT_EQ(pu.ShellWait(inQuotes(exit7), u""), 0) << "the exit code is not looked at";
  EXPECT_EQ(pu.ShellWait(inQuotes(dir / u"missing.exe"), u""), -1);
}

TEST_F(Win32ProcessUtilitiesTest, WindowEventsRunWhileAProgramRunsThreeSeconds) {
  EXPECT_EQ(pu.ShellWait(inQuotes(sleep3), u""), 0);
  // The wait goes in slices of 100 ms with the window events between them.
  EXPECT_GE(fake.windowing.doEventsCalls, 20);
}

TEST_F(Win32ProcessUtilitiesTest, StartProcessDoesNotWait) {
  const std::int32_t id = pu.StartProcess(inQuotes(sleep3), u"");
  ASSERT_NE(id, 0);
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(::WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(::WaitForSingleObject(process, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  ::CloseHandle(process);
  EXPECT_EQ(pu.StartProcess(inQuotes(dir / u"missing.exe"), u""), 0);
}

}  // namespace
}  // namespace sigpatch::platform::win32
