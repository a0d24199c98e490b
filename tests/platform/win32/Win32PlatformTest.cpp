// The processes and system rules (PlatformBehaviour.h) on the Windows calls, and what only Windows
// shows: the command line passed on as it is, exception statuses, jobs that end what a process
// started, the shell's answers; short paths, the machine lock, the session's end; the program's
// own facts and its events' message. The programs are the probes the build makes (Probe.cpp). The
// calls that change the session (screen saver, monitor, task bar, log-off, shut-down) are not
// made here.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Win32TrustSupport.h"
#include "platform/PlatformBehaviour.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "platform/win32/Win32EventLog.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Program.h"
#include "platform/win32/Win32System.h"
#include "runtime/RuntimeError.h"

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

  // Starts a command line and waits for it; true when it ended.
  bool run(const std::u16string& line, const std::u16string& folder = {}) {
    ProcessInformation info;
    if (!processes.CreateProcess(line, folder, info)) return false;
    const bool ended = processes.WaitForSingleObject(info.hProcess, 60s) == WaitResult::Ended;
    return processes.CloseHandle(info.hProcess) && ended;
  }
  // What the recording program wrote: its command line and its working folder.
  std::pair<std::u16string, std::u16string> recorded() {
    const std::u16string contents = text::fromUtf8(readFile(record));
    const auto first = contents.find(u'\n'), second = contents.find(u'\n', first + 1);
    if (second == contents.npos) return {};
    return {contents.substr(0, first), contents.substr(first + 1, second - first - 1)};
  }
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

TEST_F(Win32ProcessesTest, TheCommandLineReachesTheProgramAsItIsInTheFolderGiven) {
  const std::u16string line =
      inQuotes(recorder) + u"  /Path:\"C:\\My Updates\\\" \"a \\\"b\\\"\"\tlast\\ \u00E9t\u00E9";
  ASSERT_TRUE(run(line, dir.path()));
  EXPECT_EQ(recorded(), std::pair(line, dir.path()));
  wchar_t current[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, current);
  ASSERT_TRUE(run(inQuotes(recorder)));
  EXPECT_EQ(recorded().second, fromWide(current)) << "without a folder, in ours";
  // Unquoted, a path with a blank is split by the system, which tries
  // "...\with" first; Wine puts quotes around the name it found at a blank.
  TempFolder blank(u"with blank ");
  ASSERT_NE(::CopyFileW(wide(recorder).c_str(), wide(blank / u"recorder.exe").c_str(), FALSE), 0);
  ASSERT_TRUE(run(blank / u"recorder.exe /SILENT /REBOOT", dir.path()));
  EXPECT_EQ(recorded().first,
            (underWine() ? inQuotes(blank / u"recorder.exe") : blank / u"recorder.exe") +
                u" /SILENT /REBOOT");
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
      {u"0xFFFFFFFF", 0xFFFFFFFF, true},
      {u"0xBFFFFFFF", 0xBFFFFFFF, true},
      {u"0xC0000005", 0xC0000005, false},
      {u"0xCFFFFFFF", 0xCFFFFFFF, false},
      {u"0xD0000000", 0xD0000000, true}};
  for (const auto& [code, value, byItself] : cases) {
    SCOPED_TRACE(text::toUtf8(code));
    const ProcessInformation info = act(u" exit " + std::u16string(code));
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
  EXPECT_EQ(::WaitForSingleObject(childProcess, 60000), DWORD{WAIT_OBJECT_0})
      << "ended with the job";
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
    ASSERT_TRUE(own.CreateProcess(
        inQuotes(builtProgram(SIGPATCH_ACT_PROBE)) + u" await " + fromWide(go.name) + u" 5", u"",
        info, kCreateNewProcessGroup));
    process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                            static_cast<DWORD>(info.dwProcessId));
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(own.CloseHandle(info.hProcess));
  }
  // Ended with the job, it would not be waiting for the event, nor end with 5.
  ::SetEvent(go.handle);
  EXPECT_EQ(::WaitForSingleObject(process, 60000), DWORD{WAIT_OBJECT_0});
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

std::u16string variable(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
  return length == 0 || length >= 1024 ? std::u16string() : fromWide(buffer);
}

struct Win32SystemSubject : SystemSubject {
  Win32SystemSubject() {
    platformId = 2, machine = variable(L"COMPUTERNAME"), user = variable(L"USERNAME");
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

class Win32SystemTest : public ::testing::Test {
 protected:
  Win32System system;
};

TEST_F(Win32SystemTest, TheDomainAndTheBootAreTheSystems) {
  std::u16string domain;
  ASSERT_TRUE(system.GetUserDomain(domain));
  EXPECT_FALSE(domain.empty());
  if (!variable(L"USERDOMAIN").empty()) {
    EXPECT_EQ(text::toUpper(domain), text::toUpper(variable(L"USERDOMAIN")));
  }
  // The boot id is the boot time, a FILETIME before now, the same at every call.
  const std::u16string boot = system.BootId();
  EXPECT_EQ(boot.find_first_not_of(u"0123456789"), std::u16string::npos) << text::toUtf8(boot);
  EXPECT_EQ(system.BootId(), boot);
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  EXPECT_LT(std::stoull(text::toUtf8(boot)),
            (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

TEST_F(Win32SystemTest, SystemFoldersAndShortPathsAreTheSystemsOwn) {
  std::u16string windows, programs, temp, special;
  ASSERT_TRUE(system.GetWindowsDirectory(windows));
  EXPECT_EQ(text::toUpper(windows), text::toUpper(variable(L"SystemRoot")));
  ASSERT_TRUE(system.GetSystemDirectory(programs));
  EXPECT_EQ(text::toUpper(programs), text::toUpper(windows) + u"\\SYSTEM32");
  ASSERT_TRUE(system.GetTempPath(temp));
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(Win32FileSystem().FolderExists(temp));
  ASSERT_TRUE(system.GetSpecialFolder(0x001A, special));  // CSIDL_APPDATA
  EXPECT_EQ(text::toUpper(special), text::toUpper(variable(L"APPDATA")));
  ASSERT_TRUE(system.GetSpecialFolder(0x0024, special));  // CSIDL_WINDOWS
  EXPECT_EQ(text::toUpper(special), text::toUpper(windows));
  EXPECT_FALSE(system.GetSpecialFolder(0x7777, special));

  TempFolder dir(u"Long Folder Name ");
  writeFile(dir / u"A Long File Name.text", "x");
  std::u16string shortPath, longPath;
  ASSERT_TRUE(system.GetShortPathName(dir / u"A Long File Name.text", shortPath));
  EXPECT_EQ(shortPath.find(u' '), std::u16string::npos) << text::toUtf8(shortPath);
  ASSERT_TRUE(system.GetLongPathName(shortPath, longPath));
  EXPECT_EQ(text::toUpper(longPath), text::toUpper(dir / u"A Long File Name.text"));
  EXPECT_FALSE(system.GetLongPathName(dir / u"missing", longPath));
  EXPECT_FALSE(system.GetShortPathName(dir / u"missing", shortPath));
}

TEST_F(Win32SystemTest, ADeviceIsNoFileAndAMonitorStateOtherThanTheThreeRaises5) {
  EXPECT_EQ(system.WriteWholeFile(u"NUL", "x"), u"it is a device, not a file");
  try {
    system.SetMonitorPower(3);
    FAIL() << "no fault";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), err::kInvalidProcedureCall);
  }
}

TEST_F(Win32SystemTest, OnlyWindowsOfThisProgramAreKeptOnTop) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"Sigpatch test", WS_POPUP, 0, 0, 10, 10,
                                        nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  auto topmost = [&] { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  const auto handle = reinterpret_cast<std::intptr_t>(window);
  system.SetWindowPos(handle, kHwndTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
  EXPECT_TRUE(topmost());
  system.SetWindowPos(handle, kHwndNoTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
  EXPECT_FALSE(topmost());
  // The console's windows have handles of their own that are no system
  // windows; they, and windows of other programs, are left alone.
  system.SetWindowPos(3, kHwndTopmost, 0, 0, 0, 0, kSwpHideWindow);
  const HWND desktop = ::GetDesktopWindow();
  const bool desktopShown = ::IsWindowVisible(desktop) != 0;
  system.SetWindowPos(reinterpret_cast<std::intptr_t>(desktop), 0, 0, 0, 0, 0,
                      kSwpNoSize | kSwpNoMove | kSwpHideWindow);
  EXPECT_EQ(::IsWindowVisible(desktop) != 0, desktopShown);
  ::DestroyWindow(window);
}

TEST_F(Win32SystemTest, TheMachineLockIsOneGlobalMutexOnlyTheAdministratorsMayOpen) {
  auto lock = system.CreateMachineLock(u"TestLock");
  ASSERT_NE(lock, nullptr);
  ASSERT_TRUE(lock->TryLock());
  EXPECT_TRUE(lock->TryLock()) << "held already";
  const HANDLE named =
      ::OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, L"Global\\Sigpatch-TestLock");
  ASSERT_NE(named, nullptr) << "made in the global name space";
  // SYSTEM and the Administrators, nobody else: each entry's type and account.
  const std::string sddl = securityOf(named, SE_KERNEL_OBJECT);
  ::CloseHandle(named);
  std::vector<std::string> entries;
  for (auto at = sddl.find('(', sddl.find("D:")); at != sddl.npos; at = sddl.find('(', at + 1)) {
    const std::string entry = sddl.substr(at + 1, sddl.find(')', at) - at - 1);
    entries.push_back(entry.substr(0, entry.find(';')) + " " + entry.substr(entry.rfind(';') + 1));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"A SY", "A BA"})) << sddl;

  // Another holder (the other thread stands for another process) waits.
  auto tryElsewhere = [&] {
    bool taken = false;
    std::thread([&] {
      auto other = system.CreateMachineLock(u"TestLock");
      taken = other != nullptr && other->TryLock();
    }).join();
    return taken;
  };
  EXPECT_FALSE(tryElsewhere());
  lock.reset();
  EXPECT_TRUE(tryElsewhere()) << "free once the holder has gone";
  auto otherName = system.CreateMachineLock(u"OtherLock");
  ASSERT_NE(otherName, nullptr);
  EXPECT_TRUE(otherName->TryLock());
}

// A program with windows hears the session's end as WM_ENDSESSION, not as a
// console event: while catching, a hidden window of its own keeps it, and
// answers (after which the system may end the process) only when catching ends.
TEST_F(Win32SystemTest, TheSessionsEndIsKeptAsAStopRequest) {
  system.CatchStopRequests(true);
  const HWND watch = ::FindWindowW(L"SigpatchSessionWatch", nullptr);
  ASSERT_NE(watch, nullptr) << "no window hears the session's end";
  DWORD owner = 0;
  ::GetWindowThreadProcessId(watch, &owner);
  EXPECT_EQ(owner, ::GetCurrentProcessId());
  EXPECT_EQ(::SendMessageW(watch, WM_QUERYENDSESSION, 0, 0), TRUE) << "the end is not held back";
  EXPECT_EQ(system.StopRequested(), u"") << "a query is not the end yet";
  EXPECT_FALSE(system.ShuttingDown());

  std::thread session([&] { ::SendMessageW(watch, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF); });
  for (int i = 0; i < 6000 && system.StopRequested().empty(); ++i) ::Sleep(10);
  EXPECT_EQ(system.StopRequested(), u"end of session");
  EXPECT_TRUE(system.ShuttingDown());
  system.CatchStopRequests(false);
  session.join();
  EXPECT_EQ(system.StopRequested(), u"") << "kept only while catching";
  EXPECT_FALSE(::IsWindow(watch));
}

using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

TEST(Win32ProgramTest, TheArgumentsFollowTheProgramsNameAndItsFolderIsTheModules) {
  // clang-format off
  for (const auto& [line, arguments] : Pairs{
           {u"sigpatch.exe /Silent", u"/Silent"}, {u"C:\\Sig\\sigpatch.exe\t/?", u"/?"},
           {u"\"C:\\Program Files\\sigpatch.exe\"  /Path:\"C:\\My x\" ", u"/Path:\"C:\\My x\" "},
           {u"\"C:\\a b\"c.exe x", u"x"}, {u"\"unclosed x", u""}, {u"\"sigpatch\"", u""}}) {
    EXPECT_EQ(argumentsOf(line), arguments) << text::toUtf8(line);
  }
  // clang-format on
  const ProgramInfo app = currentProgramInfo();
  wchar_t module[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, module, MAX_PATH + 1);
  EXPECT_EQ(app.Path + u"\\" + app.EXEName + u".exe", fromWide(module));
  EXPECT_EQ(
      app.Title + u" " + text::dec(app.Major) + text::dec(app.Minor) + text::dec(app.Revision),
      u"Sigpatch 112");
}

TEST(Win32ProgramTest, TheRootOfAPathIsItsDriveOrShare) {
  // clang-format off
  for (const auto& [path, root] : Pairs{{u"C:\\Temp", u"C:\\"}, {u"\\\\server", u""},
                                        {u"relative", u""},
                                        {u"\\\\server\\share", u"\\\\server\\share\\"}}) {
    EXPECT_EQ(rootOf(path), root) << text::toUtf8(path);
  }
  // clang-format on
  EXPECT_EQ(Win32DrivesAndFolders().DriveOf(u"\\\\server\\share\\folder"), u"\\\\server\\share");
}

// The resource script's version information and icon, in sigpatch.exe.
TEST(Win32ProgramTest, SigpatchExeNamesItsMakerAndVersionAndHasItsIcon) {
  const std::wstring exe = wide(builtProgram(SIGPATCH_EXE));
  DWORD ignored = 0;
  std::vector<unsigned char> data(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_NE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()), 0);
  for (const auto& [name, expected] : Pairs{{u"CompanyName", u"Ferrolite"},
                                            {u"FileVersion", u"1.1.2"},
                                            {u"OriginalFilename", u"sigpatch.exe"}}) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + wide(name);
    ASSERT_NE(::VerQueryValueW(data.data(), query.c_str(), &value, &length), 0);
    EXPECT_EQ(fromWide(static_cast<const wchar_t*>(value)), expected);
  }
  const HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);
  ::FreeLibrary(module);
}

// What the Event Viewer shows of an event: the message of the event's id in
// the source's message file, with the event's strings put in.
TEST(Win32EventLogTest, TheProgramsMessageTableShowsTheRunsMessage) {
  for (const char* program : {SIGPATCH_EXE, SIGPATCH_CONSOLE_EXE}) {
    SCOPED_TRACE(program);
    const HMODULE module =
        ::LoadLibraryExW(wide(builtProgram(program)).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    const DWORD_PTR strings[] = {reinterpret_cast<DWORD_PTR>(L"Installed sdat4500.exe (100% %1)"),
                                 reinterpret_cast<DWORD_PTR>(L"installed")};
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                             FORMAT_MESSAGE_ARGUMENT_ARRAY,
                         module, kRunEventId, 0, reinterpret_cast<wchar_t*>(&text), 0,
                         reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(strings)));
    ::FreeLibrary(module);
    ASSERT_NE(length, 0u);
    EXPECT_EQ(std::wstring(text, length), L"Installed sdat4500.exe (100% %1)\r\n");
    ::LocalFree(text);
  }
}

}  // namespace
}  // namespace sigpatch::platform::win32
