#pragma once

// The windowed program (sigpatch.exe) started as a user starts it, and windows seen from outside
// through the system's messages only: what they show, the user's keys and clicks on them.

#include <functional>
#include <string>

#include "platform/win32/Wide.h"
#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::testing {

/// A window's text (WM_GETTEXT, which reaches the controls of another process too).
inline std::u16string textOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return platform::win32::fromWide(text);
}

/// The window's first child whose class is `type` (any case) and that `also` accepts; or nullptr.
inline HWND childOf(HWND window, const wchar_t* type, const std::function<bool(HWND)>& also = {}) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    ::GetClassNameW(child, name, 64);
    if (::lstrcmpiW(name, type) == 0 && (!also || also(child))) return child;
  }
  return nullptr;
}

inline void postKey(HWND window, unsigned virtualKey) {
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
  ::PostMessageW(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

inline void postClick(HWND control) {
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

/// Waits for `done` to hold, looking every 20 ms for up to `milliseconds`; whether it does.
inline bool waitFor(const std::function<bool()>& done, unsigned milliseconds = 120000) {
  for (const ULONGLONG until = ::GetTickCount64() + milliseconds; !done(); ::Sleep(20)) {
    if (::GetTickCount64() > until) return false;
  }
  return true;
}

/// The program, ended with this object if still running; SIGPATCH_PROBE_RECORD names
/// `recordFile` for the packages it starts.
class WindowedProgram {
 public:
  WindowedProgram(const std::u16string& exe, const std::u16string& arguments,
                  const std::u16string& folder, const std::u16string& recordFile) {
    using platform::win32::wide;
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
  ~WindowedProgram() {
    if (process_ != nullptr && !WaitForExit(0)) ::TerminateProcess(process_, 9);
    if (process_ != nullptr) ::CloseHandle(process_);
  }

  /// Waits for the program's visible top-level window with that caption; nullptr when none came.
  HWND WaitForWindow(const std::u16string& caption, unsigned milliseconds = 120000) const {
    struct Search {
      DWORD id;
      const std::u16string& caption;
      HWND found = nullptr;
    } search{id_, caption};
    const auto look = [](HWND window, LPARAM data) -> BOOL {
      auto* wanted = reinterpret_cast<Search*>(data);
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      if (owner == wanted->id && ::IsWindowVisible(window) && textOf(window) == wanted->caption)
        wanted->found = window;
      return wanted->found == nullptr;
    };
    waitFor([&] { return ::EnumWindows(look, reinterpret_cast<LPARAM>(&search)), search.found; },
            milliseconds);
    return search.found;
  }
  bool WaitForExit(unsigned milliseconds = 120000) const {
    return ::WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
  }
  /// A window's rich-edit text, its first visible image, a key in its rich-edit box, a click.
  static std::u16string BoxText(HWND window) { return textOf(childOf(window, MSFTEDIT_CLASS)); }
  static HWND FirstImage(HWND window) {
    return childOf(window, L"Static", [](HWND image) {
      return ::IsWindowVisible(image) &&
             (::GetWindowLongW(image, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
    });
  }
  static void PressKey(HWND window, unsigned key) { postKey(childOf(window, MSFTEDIT_CLASS), key); }
  static void Click(HWND control) { postClick(control); }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace sigpatch::testing
