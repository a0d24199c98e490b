#include "platform/win32/Win32Processes.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"
#include "runtime/Text.h"

namespace sigpatch::platform::win32 {
namespace {

HANDLE handleOf(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// The shell's verbs run in a single-threaded apartment, as its documentation asks.
class ComApartment {
 public:
  ComApartment()
      : initialised_(SUCCEEDED(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (initialised_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

bool sameText(std::u16string_view a, std::u16string_view b) {
  return text::toLower(a) == text::toLower(b);
}

std::int32_t shellResult(HINSTANCE result) {
  return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

// SHOpenWithDialog (Windows Vista and later), looked up so that the program
// still starts where shell32 lacks it.
using OpenWithDialog = HRESULT(WINAPI*)(HWND, const OPENASINFO*);

OpenWithDialog findOpenWithDialog() {
  const HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
  if (shell == nullptr) return nullptr;
  return reinterpret_cast<OpenWithDialog>(
      reinterpret_cast<void*>(::GetProcAddress(shell, "SHOpenWithDialog")));
}

// The system's dialog that asks which program is to open the file: the shell's
// own call where there is one, else RUNDLL32 with OpenAs_RunDLL.
std::int32_t openWith(const std::wstring& file, const std::wstring& directory) {
  if (const auto dialog = findOpenWithDialog()) {
    OPENASINFO info{};
    info.pcszFile = file.c_str();
    info.oaifInFlags = OAIF_ALLOW_REGISTRATION | OAIF_REGISTER_EXT | OAIF_EXEC;
    const HRESULT result = dialog(::GetDesktopWindow(), &info);
    // The user's cancel is an answer too: the dialog was handed the file.
    if (SUCCEEDED(result) || result == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
      return kShellExecuteStarted;
    }
  }
  const std::wstring parameters = L"shell32.dll,OpenAs_RunDLL " + file;
  return shellResult(
      ::ShellExecuteW(::GetDesktopWindow(), nullptr, L"RUNDLL32.EXE", parameters.c_str(),
                      directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
}

// The status a forced end leaves, as a console break leaves it: the process
// did not end by itself.
constexpr UINT kStoppedStatus = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// The program a command line names: its first word, unquoted.
std::u16string programOf(std::u16string_view commandLine) {
  if (!commandLine.empty() && commandLine.front() == u'"') {
    return std::u16string(commandLine.substr(1, commandLine.find(u'"', 1) - 1));
  }
  return std::u16string(commandLine.substr(0, commandLine.find_first_of(u" \t")));
}

// The system's text of an error of starting `program`, without its line break,
// the program in place of its "%1" ("%1 is not a valid Win32 application.");
// the number where the system has no text.
std::u16string startErrorText(DWORD code, const std::u16string& program) {
  wchar_t buffer[1024] = {};
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, 1024, nullptr);
  while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                        buffer[length - 1] == L' ')) {
    --length;
  }
  if (length == 0) return u"error " + text::dec(static_cast<std::int64_t>(code));
  std::u16string message = fromWide(std::wstring_view(buffer, length));
  for (auto at = message.find(u"%1"); at != std::u16string::npos;
       at = message.find(u"%1", at + program.size())) {
    message.replace(at, 2, program);
  }
  return message;
}

// A job for a started process that ends everything in it when its last handle
// goes, also when this program's process is killed; nullptr (and the process
// stays outside any job of ours) where the system refuses it, as a system
// before Windows 8 does for a program that runs in a job itself.
HANDLE jobThatEndsWithUs(HANDLE process) {
  const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ==
          0 ||
      ::AssignProcessToJobObject(job, process) == 0) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

// The numbers of the processes in a job; the process alone without a job.
std::set<DWORD> processesOf(HANDLE job, DWORD pid) {
  std::set<DWORD> found = {pid};
  if (job == nullptr) return found;
  // Room for 1024 processes (an installer starts a handful): the list's two
  // counts and then the numbers.
  constexpr std::size_t kRoom = 1024;
  constexpr std::size_t kFirst = offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList);
  std::vector<ULONG_PTR> buffer(kFirst / sizeof(ULONG_PTR) + kRoom);
  if (::QueryInformationJobObject(job, JobObjectBasicProcessIdList, buffer.data(),
                                  static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR)),
                                  nullptr) == 0) {
    return found;
  }
  DWORD listed = 0;
  std::memcpy(&listed,
              reinterpret_cast<const char*>(buffer.data()) +
                  offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, NumberOfProcessIdsInList),
              sizeof listed);
  for (std::size_t i = 0; i < std::min<std::size_t>(listed, kRoom); ++i) {
    found.insert(static_cast<DWORD>(buffer[kFirst / sizeof(ULONG_PTR) + i]));
  }
  return found;
}

struct WindowsToClose {
  std::set<DWORD> processes;
  bool posted = false;
};

BOOL CALLBACK closeWindowOf(HWND window, LPARAM context) {
  auto& windows = *reinterpret_cast<WindowsToClose*>(context);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (windows.processes.count(process) != 0 && ::PostMessageW(window, WM_CLOSE, 0, 0) != 0) {
    windows.posted = true;
  }
  return TRUE;
}

}  // namespace

Win32Processes::~Win32Processes() {
  while (!children_.empty()) CloseHandle(children_.begin()->first);
}

bool Win32Processes::CreateProcess(std::u16string_view CommandLine,
                                   std::u16string_view CurrentDirectory, ProcessInformation& info,
                                   std::uint32_t CreationFlags) {
  info = {};
  const bool group = (CreationFlags & kCreateNewProcessGroup) != 0;
  // The system may write into the command line, so it gets a copy of its own.
  std::wstring command = wide(CommandLine);
  const std::wstring directory = wide(CurrentDirectory);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // A process of a group starts suspended, so that it is in its job before it
  // can start anything of its own.
  const DWORD flags =
      NORMAL_PRIORITY_CLASS | (group ? CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED : 0);
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &startup, &started) == 0) {
    startFailure_ = startErrorText(::GetLastError(), programOf(CommandLine));
    return false;
  }
  Child child{nullptr, started.dwProcessId, group};
  if (group) {
    child.job = jobThatEndsWithUs(started.hProcess);
    ::ResumeThread(started.hThread);
  }
  ::CloseHandle(started.hThread);
  const auto handle = reinterpret_cast<ProcessHandle>(started.hProcess);
  children_[handle] = child;
  info = {handle, static_cast<std::int32_t>(started.dwProcessId)};
  return true;
}

bool Win32Processes::GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) {
  if (children_.count(handle) == 0) return false;
  if (::WaitForSingleObject(handleOf(handle), 0) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (::GetExitCodeProcess(handleOf(handle), &code) == 0) return false;
  if ((code & 0xF0000000u) == 0xC0000000u) {
    wchar_t status[16] = {};
    ::swprintf(status, 16, L"0x%08lX", static_cast<unsigned long>(code));
    exit = {false, code, u"exception status " + fromWide(status)};
  } else {
    exit = {true, code, u""};
  }
  return true;
}

bool Win32Processes::StopProcess(ProcessHandle handle, bool force) {
  const auto found = children_.find(handle);
  if (found == children_.end()) return false;
  if (::WaitForSingleObject(handleOf(handle), 0) != WAIT_TIMEOUT) return false;
  const Child& child = found->second;
  if (force) {
    const auto job = static_cast<HANDLE>(child.job);
    if (job != nullptr) return ::TerminateJobObject(job, kStoppedStatus) != 0;
    return ::TerminateProcess(handleOf(handle), kStoppedStatus) != 0;
  }
  // The break reaches the group of a process that shares our console; a
  // windowed process (or one of another console) hears the close message.
  bool asked = child.group && ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, child.pid) != 0;
  WindowsToClose windows{processesOf(static_cast<HANDLE>(child.job), child.pid), false};
  ::EnumWindows(closeWindowOf, reinterpret_cast<LPARAM>(&windows));
  return asked || windows.posted;
}

std::u16string Win32Processes::ProcessIdentity(std::int32_t pid) {
  if (pid <= 0) return {};
  const HANDLE process =
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return {};
  DWORD code = 0;
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  const bool runs = ::GetExitCodeProcess(process, &code) != 0 && code == STILL_ACTIVE &&
                    ::GetProcessTimes(process, &created, &exited, &kernel, &user) != 0;
  ::CloseHandle(process);
  if (!runs) return {};
  const std::uint64_t start =
      (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  return text::dec(pid) + u" " + text::fromUtf8(std::to_string(start));
}

WaitResult Win32Processes::WaitForSingleObject(ProcessHandle handle,
                                               std::chrono::milliseconds timeout) {
  if (children_.count(handle) == 0) return WaitResult::Failed;
  HANDLE process = handleOf(handle);
  const auto milliseconds = static_cast<DWORD>(std::max<std::int64_t>(timeout.count(), 0));
  switch (::MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds, QS_ALLINPUT)) {
    case WAIT_OBJECT_0:
      return WaitResult::Ended;
    case WAIT_OBJECT_0 + 1:
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    default:
      return WaitResult::Failed;
  }
}

bool Win32Processes::CloseHandle(ProcessHandle handle) {
  const auto found = children_.find(handle);
  if (found == children_.end()) return false;
  if (const auto job = static_cast<HANDLE>(found->second.job)) {
    // A package that the run leaves running (to a shut-down) must not end
    // with the job's last handle.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    if (::QueryInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits,
                                    nullptr) != 0) {
      limits.BasicLimitInformation.LimitFlags &=
          ~static_cast<DWORD>(JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE);
      ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    ::CloseHandle(job);
  }
  children_.erase(found);
  return ::CloseHandle(handleOf(handle)) != 0;
}

std::int32_t Win32Processes::ShellExecute(std::u16string_view Operation, std::u16string_view File,
                                          std::u16string_view Parameters,
                                          std::u16string_view Directory) {
  ComApartment apartment;
  const std::wstring file = wide(File);
  const std::wstring directory = wide(Directory);
  if (sameText(Operation, u"openas")) {
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return kSeErrFileNotFound;
    return openWith(file, directory);
  }
  const std::wstring operation = wide(Operation);
  const std::wstring parameters = wide(Parameters);
  return shellResult(
      ::ShellExecuteW(::GetDesktopWindow(), operation.empty() ? nullptr : operation.c_str(),
                      file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                      directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
}

std::int32_t Win32Processes::GetCurrentProcessId() {
  return static_cast<std::int32_t>(::GetCurrentProcessId());
}

}  // namespace sigpatch::platform::win32
