#include "Win32WindowedProgram.h"

#include <functional>

#include "platform/win32/Wide.h"

namespace sigpatch::testing {

using platform::win32::fromWide;
using platform::win32::wide;

namespace {

std::u16string textOf(HWND window) {
  const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto got =
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return fromWide(text);
}

std::wstring classOf(HWND window) {
  wchar_t type[64] = {};
  ::GetClassNameW(window, type, 64);
  return type;
}

HWND findChild(HWND window, const std::function<bool(HWND)>& wanted) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (wanted(child)) return child;
  }
  return nullptr;
}

}  // namespace

bool waitFor(const std::function<bool()>& done, unsigned milliseconds) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > milliseconds) return false;
    ::Sleep(20);
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
  if (!WaitForExit(0)) Kill();
  ::CloseHandle(process_);
}

HWND WindowedProgram::Window(const std::u16string& caption) const {
  struct Search {
    DWORD id;
    std::u16string caption;
    HWND found = nullptr;
  } search{id_, caption};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* wanted = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != wanted->id || !::IsWindowVisible(window)) return TRUE;
        if (textOf(window) != wanted->caption) return TRUE;
        wanted->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WindowedProgram::WaitForWindow(const std::u16string& caption, unsigned milliseconds) const {
  HWND found = nullptr;
  waitFor([&] { return (found = Window(caption)) != nullptr; }, milliseconds);
  return found;
}

std::u16string WindowedProgram::BoxText(HWND window) {
  HWND box = findChild(
      window, [](HWND child) { return ::lstrcmpiW(classOf(child).c_str(), MSFTEDIT_CLASS) == 0; });
  return box == nullptr ? std::u16string() : textOf(box);
}

HWND WindowedProgram::Child(HWND window, const wchar_t* type, const std::u16string& text) {
  return findChild(window, [&](HWND child) {
    return ::lstrcmpiW(classOf(child).c_str(), type) == 0 &&
           (text.empty() || textOf(child) == text);
  });
}

HWND WindowedProgram::FirstImage(HWND window) {
  return findChild(window, [](HWND child) {
    return classOf(child) == L"Static" && ::IsWindowVisible(child) &&
           (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
  });
}

void WindowedProgram::PressKey(HWND window, unsigned virtualKey) {
  HWND box = findChild(
      window, [](HWND child) { return ::lstrcmpiW(classOf(child).c_str(), MSFTEDIT_CLASS) == 0; });
  HWND target = box != nullptr ? box : window;
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

void WindowedProgram::Kill() {
  if (process_ != nullptr) ::TerminateProcess(process_, 9);
}

}  // namespace sigpatch::testing
