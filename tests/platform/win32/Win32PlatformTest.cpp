// The processes and system rules (PlatformBehaviour.h) on the Windows calls, and what only Windows
// shows: the command line passed on as it is, exception statuses, jobs that end what a process
// started, the shell's answers. The programs are the probes the build makes (Probe.cpp).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "Win32TestSupport.h"
#include "platform/PlatformBehaviour.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Program.h"
#include "platform/win32/Win32System.h"

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
  while (text.ends_with(u'\n') || text.ends_with(u'\r')) text.pop_back();
  return fill(text, {{u"%1", program}});
}

// A named event that the act probe waits for ("act await NAME CODE").
struct Event {
  ~Event() { ::SetEvent(handle), ::CloseHandle(handle); }
  inline static int count = 0;
  std::wstring name = L"sigpatch-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++count);
  HANDLE handle = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
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

class Win32ProcessesTest : public ::testing::Test {
 protected:
  Win32ProcessesTest() {
    ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", wide(record).c_str());
  }
  ~Win32ProcessesTest() override { ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", nullptr); }

  // Starts `act` with the arguments, in a process group of its own.
  ProcessInformation act(const std::u16string& arguments) {
    ProcessInformation info;
    EXPECT_TRUE(processes.CreateProcess(inQuotes(builtProgram(SIGPATCH_ACT_PROBE)) + arguments, u"",
                                        info, kCreateNewProcessGroup));
    return info;
  }

  TempFolder dir;
  std::u16string record = dir / u"record.txt";
  std::u16string recorder = builtProgram(SIGPATCH_RECORD_PROBE);
  Win32Processes processes;
};

// The recording program writes its command line and its working folder.
TEST_F(Win32ProcessesTest, TheCommandLineReachesTheProgramAsItIsInTheFolderGiven) {
  const std::u16string line =
      inQuotes(recorder) + u"  /Path:\"C:\\My Updates\\\" \"a \\\"b\\\"\"\tlast\\ \u00E9t\u00E9";
  ProcessInformation info;
  ASSERT_TRUE(processes.CreateProcess(line, dir.path(), info));
  ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  EXPECT_EQ(text::fromUtf8(readFile(record)), line + u"\n" + dir.path() + u"\n");
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
  // clang-format off
  for (const auto& [code, value, byItself] :
       std::initializer_list<std::tuple<const char16_t*, std::uint32_t, bool>>{
           {u"7", 7, true}, {u"0xBFFFFFFF", 0xBFFFFFFF, true}, {u"0xC0000005", 0xC0000005, false},
           {u"0xCFFFFFFF", 0xCFFFFFFF, false}, {u"0xD0000000", 0xD0000000, true}}) {
    // clang-format on
    SCOPED_TRACE(text::toUtf8(code));
    const ProcessInformation info = act(u" exit " + std::u16string(code));
    ASSERT_EQ(processes.WaitForSingleObject(info.hProcess, 60s), WaitResult::Ended);
    ProcessExit exit;
    ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, exit));
    EXPECT_EQ(
        std::tuple(exit.byItself, exit.code, exit.reason),
        std::tuple(byItself, value, byItself ? u"" : u"exception status " + std::u16string(code)));
    EXPECT_TRUE(processes.CloseHandle(info.hProcess));
  }
}

TEST_F(Win32ProcessesTest, AForcedStopEndsWhatTheProcessStartedAndIdentitiesOnlyRunningOnes) {
  const ProcessInformation info = act(u" spawn " + inQuotes(dir / u"child.txt"));
  // The child's number, once the probe has written it (whole, at once).
  std::string child;
  for (int i = 0; i < 1200 && (child = readFile(dir / u"child.txt")).empty(); ++i) {
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
  EXPECT_EQ(::WaitForSingleObject(childProcess, 60000), DWORD{WAIT_OBJECT_0});
  EXPECT_EQ(processes.ProcessIdentity(childPid), u"") << "an ended process whose handle is open";
  ::CloseHandle(childProcess);
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
}

TEST_F(Win32ProcessesTest, TheShellAnswersForMissingAndUnknownDocuments) {
  writeFile(dir / u"notes.sigpatchunknown", "n");
  EXPECT_EQ(processes.ShellExecute(u"open", dir / u"missing.txt", u"", u""), kSeErrFileNotFound);
  EXPECT_EQ(processes.ShellExecute(u"open", dir / u"notes.sigpatchunknown", u"", u""),
            kSeErrNoAssoc);
}

struct Win32SystemSubject : SystemSubject {
  Win32SystemSubject() {
    platformId = 2, machine = fromWide(::_wgetenv(L"COMPUTERNAME"));
    user = fromWide(::_wgetenv(L"USERNAME"));
    fileNotFoundText =
        underWine() ? u"File not found.\r\n" : u"The system cannot find the file specified.\r\n";
    codeWithInsert = 182, folder = dir.path(), separator = u'\\';
  }
  System& system() override { return real; }
  std::uint32_t ticks() override { return ::GetTickCount(); }
  TempFolder dir;
  Win32System real;
};

INSTANTIATE_TEST_SUITE_P(Win32, SystemBehaviourTest,
                         ::testing::Values(SystemKind{
                             "Win32", [] { return std::make_unique<Win32SystemSubject>(); }}),
                         KindName());

TEST(Win32SystemTest, ADeviceIsNoFile) {
  EXPECT_EQ(Win32System().WriteWholeFile(u"NUL", "x"), u"it is a device, not a file");
}

TEST(Win32ProgramTest, TheArgumentsFollowTheProgramsNameAndARootIsADriveOrShare) {
  EXPECT_EQ(argumentsOf(u"\"C:\\Program Files\\sigpatch.exe\"  /Path:\"C:\\My x\" "),
            u"/Path:\"C:\\My x\" ");
  for (const auto& [path, root] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"C:\\Temp", u"C:\\"},
           {u"\\\\server", u""},
           {u"\\\\server\\share", u"\\\\server\\share\\"}}) {
    EXPECT_EQ(rootOf(path), root) << text::toUtf8(path);
  }
  EXPECT_EQ(Win32DrivesAndFolders().DriveOf(u"\\\\server\\share\\folder"), u"\\\\server\\share");
}

}  // namespace
}  // namespace sigpatch::platform::win32
