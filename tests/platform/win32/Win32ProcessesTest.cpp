// The processes rules (PlatformBehaviour.h) on CreateProcess, and what only
// Windows shows: the command line passed on as it is, exception statuses, jobs
// that end what a process started, and the shell's answers. The programs are
// the probes the build makes (Probe.cpp).

#include <gtest/gtest.h>

#include <chrono>

#include "Win32TestSupport.h"
#include "platform/PlatformBehaviour.h"
#include "platform/win32/Win32Processes.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {
namespace {

using namespace std::chrono_literals;
using namespace sigpatch::testing;

std::u16string inQuotes(const std::u16string& path) { return u"\"" + path + u"\""; }

// The system's text for an error, as a failed start gives it.
std::u16string systemText(DWORD error, const std::u16string& program) {
  wchar_t buffer[512] = {};
  ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   buffer, 512, nullptr);
  std::u16string text = fromWide(buffer);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
  if (const auto insert = text.find(u"%1"); insert != std::u16string::npos) {
    text.replace(insert, 2, program);
  }
  return text;
}

// A named event that the act probe waits for ("act await NAME CODE").
struct Event {
  Event() : handle(::CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {}
  ~Event() {
    ::SetEvent(handle);
    ::CloseHandle(handle);
  }
  inline static int count = 0;
  std::wstring name = L"sigpatch-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++count);
  HANDLE handle;
};

struct Win32ProcessesSubject : ProcessesSubject {
  Win32ProcessesSubject() {
    exit7 = inQuotes(builtProgram(SIGPATCH_EXIT7_PROBE));
    held = inQuotes(builtProgram(SIGPATCH_ACT_PROBE)) + u" await " + fromWide(go.name) + u" 5";
    missing = inQuotes(dir / u"missing.exe");
    missingText = systemText(ERROR_FILE_NOT_FOUND, dir / u"missing.exe");
    forcedReason = u"exception status 0xC000013A";
    ownPid = static_cast<std::int32_t>(::GetCurrentProcessId());
  }
  Processes& processes() override { return real; }
  void release() override { ::SetEvent(go.handle); }
  TempFolder dir;
  Event go;
  Win32Processes real;
};

INSTANTIATE_TEST_SUITE_P(Win32, ProcessesBehaviourTest,
                         ::testing::Values(ProcessesKind{
                             "Win32", [] { return std::make_unique<Win32ProcessesSubject>(); }}),
                         KindName());

/// What the recording program wrote: its command line and its working folder.
std::pair<std::u16string, std::u16string> readRecord(const std::u16string& file) {
  const std::u16string contents = text::fromUtf8(readFile(file));
  const auto first = contents.find(u'\n'), second = contents.find(u'\n', first + 1);
  if (second == std::u16string::npos) return {};
  return {contents.substr(0, first), contents.substr(first + 1, second - first - 1)};
}

class Win32ProcessesTest : public ::testing::Test {
 protected:
  Win32ProcessesTest() {
    ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", wide(record).c_str());
  }
  ~Win32ProcessesTest() override { ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", nullptr); }

  // Starts a command line and waits for it; true when it ended.
  bool run(const std::u16string& line, const std::u16string& folder = {}) {
    ProcessInformation info;
    if (!processes.CreateProcess(line, folder, info)) return false;
    const bool ended = processes.WaitForSingleObject(info.hProcess, 60s) == WaitResult::Ended;
    return processes.CloseHandle(info.hProcess) && ended;
  }

  TempFolder dir;
  std::u16string record = dir / u"record.txt";
  std::u16string recorder = builtProgram(SIGPATCH_RECORD_PROBE);
  std::u16string act = builtProgram(SIGPATCH_ACT_PROBE);
  Win32Processes processes;
};

TEST_F(Win32ProcessesTest, TheCommandLineReachesTheProgramAsItIsInTheFolderGiven) {
  const std::u16string line =
      inQuotes(recorder) + u"  /Path:\"C:\\My Updates\\\" \"a \\\"b\\\"\"\tlast\\ \u00E9t\u00E9";
  ASSERT_TRUE(run(line, dir.path()));
  EXPECT_EQ(readRecord(record), std::pair(line, dir.path()));
  wchar_t current[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, current);
  ASSERT_TRUE(run(inQuotes(recorder)));
  EXPECT_EQ(readRecord(record).second, fromWide(current)) << "without a folder, in ours";
}

TEST_F(Win32ProcessesTest, AnUnquotedPathWithABlankIsSplitByTheSystem) {
  // The system tries "...\with" first, then "...\with blank\recorder.exe".
  TempFolder blank(u"with blank ");
  const std::u16string copy = blank / u"recorder.exe";
  ASSERT_NE(::CopyFileW(wide(recorder).c_str(), wide(copy).c_str(), FALSE), 0);
  ASSERT_TRUE(run(copy + u" /SILENT /REBOOT", dir.path()));
  ASSERT_FALSE(readRecord(record).first.empty()) << "the program ran";
  if (underWine()) {
    GTEST_SKIP() << "Wine puts quotes around a program's name that it found at a blank; "
                    "Windows passes the command line on as it is";
  }
  EXPECT_EQ(readRecord(record).first, copy + u" /SILENT /REBOOT");
}

TEST_F(Win32ProcessesTest, AFailedStartSaysWhyInTheSystemsWords) {
  writeFile(dir / u"notaprogram.exe", "just text");
  ProcessInformation info;
  EXPECT_FALSE(processes.CreateProcess(inQuotes(dir / u"notaprogram.exe") + u" /SILENT", u"", info,
                                       kCreateNewProcessGroup));
  EXPECT_EQ(processes.StartFailure(), systemText(ERROR_BAD_EXE_FORMAT, dir / u"notaprogram.exe"));
  EXPECT_FALSE(processes.CreateProcess(inQuotes(recorder), dir / u"missing", info))
      << "a working folder that does not exist";
}

TEST_F(Win32ProcessesTest, AnErrorStatusIsAnEndByTheSystemAndEveryOtherCodeAnEndByItself) {
  const std::tuple<const char16_t*, std::uint32_t, bool> cases[] = {
      {u"7", 7, true},
      {u"0xFFFFFFFF", 0xFFFFFFFF, true},  // -1
      {u"0xBFFFFFFF", 0xBFFFFFFF, true},
      {u"0xC0000005", 0xC0000005, false},
      {u"0xCFFFFFFF", 0xCFFFFFFF, false},
      {u"0xD0000000", 0xD0000000, true}};
  for (const auto& [code, value, byItself] : cases) {
    SCOPED_TRACE(text::toUtf8(code));
    ProcessInformation info;
    ASSERT_TRUE(processes.CreateProcess(inQuotes(act) + u" exit " + code, u"", info,
                                        kCreateNewProcessGroup));
    ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
    ProcessExit exit;
    ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
    EXPECT_EQ(exit.byItself, byItself);
    EXPECT_EQ(exit.code, value);
    EXPECT_EQ(exit.reason, byItself ? u"" : u"exception status " + std::u16string(code));
    EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  }
}

TEST_F(Win32ProcessesTest, AForcedStopEndsWhatTheProcessStartedAndIdentitiesOnlyRunningOnes) {
  const std::u16string childFile = dir / u"child.txt";
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(inQuotes(act) + u" spawn " + inQuotes(childFile), u"", info,
                                      kCreateNewProcessGroup));
  // The child's number, once the probe has written it (whole, at once).
  std::string child;
  for (int i = 0; i < 1200 && (child = readFile(childFile)).empty(); ++i) {
    if (processes.WaitForSingleObject(info.hProcess, 50ms) != WaitResult::TimedOut) break;
  }
  ASSERT_FALSE(child.empty()) << "the probe started no child";
  const auto childPid = static_cast<std::int32_t>(std::stoul(child));
  const HANDLE childProcess = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(childPid));
  ASSERT_NE(childProcess, nullptr);
  const std::u16string identity = processes.ProcessIdentity(childPid);
  EXPECT_TRUE(identity.starts_with(text::dec(childPid) + u" ")) << text::toUtf8(identity);
  EXPECT_GT(identity.size(), text::dec(childPid).size() + 1);
  EXPECT_EQ(processes.ProcessIdentity(childPid), identity) << "the same while it runs";
  EXPECT_NE(processes.ProcessIdentity(info.dwProcessId), identity);

  EXPECT_TRUE(processes.StopProcess(info.hProcess, true));
  ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  EXPECT_EQ(::WaitForSingleObject(childProcess, 60000), static_cast<DWORD>(WAIT_OBJECT_0))
      << "the child ended with the job";
  EXPECT_EQ(processes.ProcessIdentity(childPid), u"") << "an ended process whose handle is open";
  ::CloseHandle(childProcess);
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_EQ(processes.ProcessIdentity(0), u"");
}

TEST_F(Win32ProcessesTest, AClosedHandleLetsTheProcessRunOnOutsideTheJobsEnd) {
  Event go;
  HANDLE process = nullptr;
  {
    Win32Processes own;
    ProcessInformation info;
    ASSERT_TRUE(own.CreateProcess(inQuotes(act) + u" await " + fromWide(go.name) + u" 5", u"", info,
                                  kCreateNewProcessGroup));
    process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                            static_cast<DWORD>(info.dwProcessId));
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(own.CloseHandle(info.hProcess));
  }
  // Ended with the job, it would not be waiting for the event, nor end with 5.
  ::SetEvent(go.handle);
  EXPECT_EQ(::WaitForSingleObject(process, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_NE(::GetExitCodeProcess(process, &code), 0);
  EXPECT_EQ(code, 5u);
  ::CloseHandle(process);
}

TEST_F(Win32ProcessesTest, TheShellAnswersForMissingAndUnknownDocuments) {
  writeFile(dir / u"notes.sigpatchunknown", "n");
  EXPECT_EQ(processes.ShellExecute(u"open", dir / u"missing.txt", u"", u""), kSeErrFileNotFound);
  EXPECT_EQ(processes.ShellExecute(u"openas", dir / u"missing.txt", u"", u""), kSeErrFileNotFound);
  EXPECT_EQ(processes.ShellExecute(u"open", dir / u"notes.sigpatchunknown", u"", u""),
            kSeErrNoAssoc);
}

}  // namespace
}  // namespace sigpatch::platform::win32
