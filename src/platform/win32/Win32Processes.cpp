#include "platform/win32/Win32Processes.h"

#include <set>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WindowsHeaders.h"

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

// The system's text of an error code, without the line break at its end.
std::u16string systemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string message = length == 0 ? u"error " + text::dec(static_cast<std::int64_t>(code))
                                       : fromWide(std::wstring_view(buffer, length));
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                              message.back() == u' ' || message.back() == u'.')) {
    message.pop_back();
  }
  return message;
}

bool hasEnded(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// Lets the processes of a job live on without it, then closes the job.
void releaseJob(HANDLE job) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  ::CloseHandle(job);
}

// A job whose processes end when its last handle is closed (this program's
// process ends); nullptr when the system cannot make one.
HANDLE makeJob() {
  const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ==
      0) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

// The numbers of the processes of a job, or the one process without a job.
std::set<DWORD> processesOf(HANDLE job, DWORD pid) {
  std::set<DWORD> ids{pid};
  if (job == nullptr) return ids;
  std::vector<ULONG_PTR> buffer(2 + 256);
  auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
  list->NumberOfAssignedProcesses = 256;
  if (::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                                  static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR)),
                                  nullptr) != 0) {
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
      ids.insert(static_cast<DWORD>(list->ProcessIdList[i]));
    }
  }
  return ids;
}

BOOL CALLBACK closeWindowOf(HWND window, LPARAM processes) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (reinterpret_cast<const std::set<DWORD>*>(processes)->count(pid) != 0 &&
      ::IsWindowVisible(window) != 0) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

}  // namespace

Win32Processes::~Win32Processes() {
  for (const auto& [handle, child] : handles_) {
    // A package that still runs ends with the program; one that has ended
    // leaves what it started running.
    if (child.job != nullptr) {
      if (hasEnded(handleOf(handle))) {
        releaseJob(child.job);
      } else {
        ::CloseHandle(child.job);
      }
    }
    ::CloseHandle(handleOf(handle));
  }
  for (void* job : keptJobs_) ::CloseHandle(job);
}

bool Win32Processes::CreateProcess(std::u16string_view CommandLine,
                                   std::u16string_view CurrentDirectory, ProcessInformation& info,
                                   std::uint32_t CreationFlags) {
  info = {};
  startFailure_.clear();
  const bool group = (CreationFlags & kCreateNewProcessGroup) != 0;
  // The system may write into the command line, so it gets a copy of its own.
  std::wstring command = wide(CommandLine);
  const std::wstring directory = wide(CurrentDirectory);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // A process of a group starts suspended, so that it is in its job before it
  // can start anything.
  const DWORD flags =
      NORMAL_PRIORITY_CLASS | (group ? CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED : 0);
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &startup, &started) == 0) {
    startFailure_ = systemText(::GetLastError());
    return false;
  }
  Child child{nullptr, started.dwProcessId};
  if (group) {
    // Where the system cannot put it into a job (an older system inside a job
    // of its own), the process runs without one.
    child.job = makeJob();
    if (child.job != nullptr && ::AssignProcessToJobObject(child.job, started.hProcess) == 0) {
      ::CloseHandle(child.job);
      child.job = nullptr;
    }
    ::ResumeThread(started.hThread);
  }
  ::CloseHandle(started.hThread);
  const auto handle = reinterpret_cast<ProcessHandle>(started.hProcess);
  handles_[handle] = child;
  info = {handle, static_cast<std::int32_t>(started.dwProcessId)};
  return true;
}

bool Win32Processes::GetExitCodeProcess(ProcessHandle handle, ProcessExit& exit) {
  if (handles_.count(handle) == 0 || !hasEnded(handleOf(handle))) return false;
  DWORD code = 0;
  if (::GetExitCodeProcess(handleOf(handle), &code) == 0) return false;
  if (code >= 0xC0000000U) {
    wchar_t status[16] = {};
    ::wsprintfW(status, L"0x%08lX", static_cast<unsigned long>(code));
    exit = {false, code, u"ended with exception status " + fromWide(status)};
  } else {
    exit = {true, code, u""};
  }
  return true;
}

bool Win32Processes::StopProcess(ProcessHandle handle, bool force) {
  const auto found = handles_.find(handle);
  if (found == handles_.end() || hasEnded(handleOf(handle))) return false;
  const Child& child = found->second;
  if (force) {
    if (child.job != nullptr && ::TerminateJobObject(child.job, 1) != 0) return true;
    return ::TerminateProcess(handleOf(handle), 1) != 0;
  }
  // A console program hears Ctrl+Break (its group shares this program's
  // console); a windowed one gets the close message of its windows.
  if (child.job != nullptr) ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, child.pid);
  const std::set<DWORD> processes = processesOf(static_cast<HANDLE>(child.job), child.pid);
  ::EnumWindows(closeWindowOf, reinterpret_cast<LPARAM>(&processes));
  return true;
}

std::u16string Win32Processes::ProcessIdentity(std::int32_t pid) {
  if (pid <= 0) return {};
  const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                       static_cast<DWORD>(pid));
  if (process == nullptr) return {};
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  const bool known =
      !hasEnded(process) && ::GetProcessTimes(process, &created, &exited, &kernel, &user) != 0;
  ::CloseHandle(process);
  if (!known) return {};
  const std::uint64_t start =
      (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  return text::dec(pid) + u" " + text::fromUtf8(std::to_string(start));
}

WaitResult Win32Processes::WaitForSingleObject(ProcessHandle handle,
                                               std::chrono::milliseconds timeout) {
  if (handles_.count(handle) == 0) return WaitResult::Failed;
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
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return false;
  if (const HANDLE job = found->second.job; job != nullptr) {
    // The job of a package that still runs stays until the program ends, so
    // that the package ends with it.
    if (hasEnded(handleOf(handle))) {
      releaseJob(job);
    } else {
      keptJobs_.push_back(job);
    }
  }
  handles_.erase(found);
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
