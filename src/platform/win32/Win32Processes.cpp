#include "platform/win32/Win32Processes.h"

#include <string>

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

}  // namespace

Win32Processes::~Win32Processes() {
  for (const auto handle : handles_) ::CloseHandle(handleOf(handle));
}

bool Win32Processes::CreateProcess(std::u16string_view CommandLine,
                                   std::u16string_view CurrentDirectory, ProcessInformation& info) {
  info = {};
  // The system may write into the command line, so it gets a copy of its own.
  std::wstring command = wide(CommandLine);
  const std::wstring directory = wide(CurrentDirectory);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                       nullptr, directory.empty() ? nullptr : directory.c_str(), &startup,
                       &started) == 0) {
    return false;
  }
  ::CloseHandle(started.hThread);
  const auto handle = reinterpret_cast<ProcessHandle>(started.hProcess);
  handles_.insert(handle);
  info = {handle, static_cast<std::int32_t>(started.dwProcessId)};
  return true;
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
  if (handles_.erase(handle) == 0) return false;
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
