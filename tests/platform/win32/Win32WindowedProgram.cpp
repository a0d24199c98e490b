#include "Win32WindowedProgram.h"

#include "platform/win32/Wide.h"

namespace sigpatch::testing {
namespace {

using platform::win32::wide;

std::u16string textOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got));
  return platform::win32::fromWide(text);
}

HWND findChild(HWND window, const std::function<bool(HWND, const wchar_t*)>& wanted) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t type[64] = {};
    ::GetClassNameW(child, type, 64);
    if (wanted(child, type)) return child;
  }
  return nullptr;
}

HWND box(HWND window) {
  return findChild(
      window, [](HWND, const wchar_t* type) { return ::lstrcmpiW(type, MSFTEDIT_CLASS) == 0; });
}

}  // namespace

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
  const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        wide(folder).c_str(), &startup, &process) != 0;
  ::SetEnvironmentVariableW(L"SIGPATCH_PROBE_RECORD", nullptr);
  if (!started) return;
  ::CloseHandle(process.hThread);
  process_ = process.hProcess;
  id_ = process.dwProcessId;
}

WindowedProgram::~WindowedProgram() {
  if (process_ == nullptr) return;
  if (!WaitForExit(0)) ::TerminateProcess(process_, 9);
  ::CloseHandle(process_);
}

HWND WindowedProgram::WaitForWindow(const std::u16string& caption, unsigned milliseconds) const {
  struct Search {
    DWORD id;
    const std::u16string& caption;
    HWND found = nullptr;
  } search{id_, caption};
  waitFor(
      [&] {
        ::EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
              auto* wanted = reinterpret_cast<Search*>(data);
              DWORD owner = 0;
              ::GetWindowThreadProcessId(window, &owner);
              if (owner != wanted->id || !::IsWindowVisible(window)) return TRUE;
              if (textOf(window) == wanted->caption) wanted->found = window;
              return wanted->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      milliseconds);
  return search.found;
}

std::u16string WindowedProgram::BoxText(HWND window) {
  HWND found = box(window);
  return found == nullptr ? std::u16string() : textOf(found);
}

HWND WindowedProgram::FirstImage(HWND window) {
  return findChild(window, [](HWND child, const wchar_t* type) {
    return std::wstring_view(type) == L"Static" && ::IsWindowVisible(child) &&
           (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
  });
}

void WindowedProgram::PressKey(HWND window, unsigned virtualKey) {
  HWND target = box(window) != nullptr ? box(window) : window;
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  ::PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void WindowedProgram::Click(HWND control) {
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

bool WindowedProgram::WaitForExit(unsigned milliseconds) const {
  return process_ == nullptr || ::WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

}  // namespace sigpatch::testing
