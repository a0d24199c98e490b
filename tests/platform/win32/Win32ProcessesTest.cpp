// Processes on CreateProcess and the shell, with real Windows programs that the
// build makes: one records its command line and working folder, one ends with
// exit code 7, one runs three seconds, one ends with the code it is given,
// waits for an event or starts a child of its own.

#include <gtest/gtest.h>

#include <chrono>

#include "Win32TestSupport.h"
#include "fakes/FakePlatform.h"
#include "platform/win32/Win32Processes.h"
#include "runtime/Text.h"
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
  std::u16string act = builtProgram(SIGPATCH_ACT_PROBE);
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

TEST_F(Win32ProcessesTest, AnErrorStatusIsAnEndByTheSystemAndEveryOtherCodeAnEndByItself) {
  struct Case {
    const char16_t* code;
    ProcessExit expected;
  };
  const Case cases[] = {
      {u"7", {true, 7, u""}},
      {u"0xFFFFFFFF", {true, 0xFFFFFFFF, u""}},  // -1
      {u"0xBFFFFFFF", {true, 0xBFFFFFFF, u""}},
      {u"0xC0000005", {false, 0xC0000005, u"exception status 0xC0000005"}},
      {u"0xCFFFFFFF", {false, 0xCFFFFFFF, u"exception status 0xCFFFFFFF"}},
      {u"0xD0000000", {true, 0xD0000000, u""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.code));
    ProcessInformation info;
    ASSERT_TRUE(processes.CreateProcess(inQuotes(act) + u" exit " + c.code, u"", info,
                                        kCreateNewProcessGroup));
    ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 10s), WaitResult::Ended);
    ProcessExit exit;
    ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
    EXPECT_EQ(exit.byItself, c.expected.byItself);
    EXPECT_EQ(exit.code, c.expected.code);
    EXPECT_EQ(exit.reason, c.expected.reason);
    EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  }
}

TEST_F(Win32ProcessesTest, AFailedStartSaysWhyInTheSystemsWords) {
  writeFile(dir / u"notaprogram.exe", "just text");
  struct Case {
    std::u16string program;
    DWORD error;
  };
  const Case cases[] = {{dir / u"missing.exe", ERROR_FILE_NOT_FOUND},
                        {dir / u"notaprogram.exe", ERROR_BAD_EXE_FORMAT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(text::toUtf8(c.program));
    ProcessInformation info;
    ASSERT_FALSE(processes.CreateProcess(inQuotes(c.program) + u" /SILENT", u"", info,
                                         kCreateNewProcessGroup));
    wchar_t expected[512] = {};
    ASSERT_NE(::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               c.error, 0, expected, 512, nullptr),
              0u);
    std::u16string text = fromWide(expected);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
    if (const auto insert = text.find(u"%1"); insert != std::u16string::npos) {
      text.replace(insert, 2, c.program);
    }
    EXPECT_EQ(processes.StartFailure(), text);
  }
}

TEST_F(Win32ProcessesTest, AForcedStopEndsTheProcessAndWhatItStarted) {
  const std::u16string childFile = dir / u"child.txt";
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(inQuotes(act) + u" spawn " + inQuotes(childFile), u"", info,
                                      kCreateNewProcessGroup));
  // The child's number, once the probe has written it.
  std::string child;
  for (int i = 0; i < 200 && (child = readFile(childFile)).empty(); ++i) {
    if (processes.WaitForSingleObject(info.hProcess, 50ms) != WaitResult::TimedOut) break;
  }
  ASSERT_FALSE(child.empty()) << "the probe started no child";
  const auto childPid = static_cast<std::int32_t>(std::stoul(child));
  const HANDLE childProcess = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(childPid));
  ASSERT_NE(childProcess, nullptr);

  const std::u16string identity = processes.ProcessIdentity(childPid);
  EXPECT_EQ(identity.rfind(text::dec(childPid) + u" ", 0), 0u) << text::toUtf8(identity);
  EXPECT_GT(identity.size(), text::dec(childPid).size() + 1);
  EXPECT_EQ(processes.ProcessIdentity(childPid), identity) << "the same while it runs";
  EXPECT_NE(processes.ProcessIdentity(info.dwProcessId), identity);
  ProcessExit exit;
  EXPECT_FALSE(processes.GetExitCodeProcess(info.hProcess, exit)) << "it runs";

  EXPECT_TRUE(processes.StopProcess(info.hProcess, true));
  ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 10s), WaitResult::Ended);
  EXPECT_EQ(::WaitForSingleObject(childProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the child ended with the job";
  ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
  EXPECT_FALSE(exit.byItself);
  EXPECT_EQ(processes.ProcessIdentity(childPid), u"") << "an ended process whose handle is open";
  ::CloseHandle(childProcess);
  EXPECT_FALSE(processes.StopProcess(info.hProcess, true)) << "it has ended";
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_FALSE(processes.StopProcess(info.hProcess, true)) << "closed";
  EXPECT_EQ(processes.ProcessIdentity(0), u"");
}

TEST_F(Win32ProcessesTest, AClosedHandleLetsTheProcessRunOnOutsideTheJobsEnd) {
  const std::wstring eventName = L"sigpatch-test-go-" + std::to_wstring(::GetCurrentProcessId());
  const HANDLE go = ::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  ASSERT_NE(go, nullptr);
  const std::u16string awaitGo = inQuotes(act) + u" await " + fromWide(eventName) + u" 5";
  HANDLE process = nullptr;
  {
    Win32Processes own;
    ProcessInformation info;
    ASSERT_TRUE(own.CreateProcess(awaitGo, u"", info, kCreateNewProcessGroup));
    process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                            static_cast<DWORD>(info.dwProcessId));
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(own.CloseHandle(info.hProcess));
  }
  // Ended with the job, it would not be waiting for the event, nor end with 5.
  ::SetEvent(go);
  EXPECT_EQ(::WaitForSingleObject(process, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_NE(::GetExitCodeProcess(process, &code), 0);
  EXPECT_EQ(code, 5u);
  ::CloseHandle(process);
  ::CloseHandle(go);
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
