#include "Win32WindowedProgram.h"

#include "platform/win32/Wide.h"

namespace sigpatch::testing {

using platform::win32::wide;

std::u16string textOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return platform::win32::fromWide(text);
}

HWND childOf(HWND window, const wchar_t* type, const std::function<bool(HWND)>& also) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    ::GetClassNameW(child, name, 64);
    if (::lstrcmpiW(name, type) == 0 && (!also || also(child))) return child;
  }
  return nullptr;
}

void postKey(HWND window, unsigned virtualKey) {
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  ::PostMessageW(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void postClick(HWND control) {
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

bool waitFor(const std::function<bool()>& done, unsigned milliseconds) {
  for (const ULONGLONG until = ::GetTickCount64() + milliseconds; !done(); ::Sleep(20)) {
    if (::GetTickCount64() > until) return false;
  }
  return true;
}

WindowedProgram::WindowedProgram(const std::u16string& exe, const std::u16string& arguments,
                                 const std::u16string& folder, const std::u16string& recordFile) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = L"\"" + wide(exe) + L"\" " + wide(arguments);
  PROCESS_INFORMATION process{};
  ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", wide(recordFile).c_str());
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       wide(folder).c_str(), &startup, &process) != 0) {
    ::CloseHandle(process.hThread);
    process_ = process.hProcess;
    id_ = process.dwProcessId;
  }
  ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", nullptr);
}

WindowedProgram::~WindowedProgram() {
  if (process_ != nullptr && !WaitForExit(0)) ::TerminateProcess(process_, 9);
  if (process_ != nullptr) ::CloseHandle(process_);
}

HWND WindowedProgram::WaitForWindow(const std::u16string& caption, unsigned milliseconds) const {
  struct Search {
    DWORD id;
    const std::u16string& caption;
    HWND found = nullptr;
  } search{id_, caption};
  const auto look = [](HWND window, LPARAM data) -> BOOL {
    auto* wanted = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == wanted->id && ::IsWindowVisible(window) && textOf(window) == wanted->caption) {
      wanted->found = window;
    }
    return wanted->found == nullptr;
  };
  waitFor([&] { return ::EnumWindows(look, reinterpret_cast<LPARAM>(&search)), search.found; },
          milliseconds);
  return search.found;
}

}  // namespace sigpatch::testing
