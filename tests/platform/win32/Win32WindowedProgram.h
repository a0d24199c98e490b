#pragma once

// The windowed program (sigpatch.exe) started as a user starts it, and windows seen from outside
// through the system's messages only: what they show, the user's keys and clicks on them.

#include <functional>
#include <string>

#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::testing {

/// A window's text (WM_GETTEXT, which reaches the controls of another process too).
std::u16string textOf(HWND window);
/// The window's first child whose class is `type` (any case) and that `also` accepts; or nullptr.
HWND childOf(HWND window, const wchar_t* type, const std::function<bool(HWND)>& also = {});
void postKey(HWND window, unsigned virtualKey);
void postClick(HWND control);
/// Waits for `done` to hold, looking every 20 ms for up to `milliseconds`; whether it does.
bool waitFor(const std::function<bool()>& done, unsigned milliseconds = 120000);

/// The program, ended with this object if still running; SIGPATCH_PROBE_RECORD names
/// `recordFile` for the packages it starts.
class WindowedProgram {
 public:
  WindowedProgram(const std::u16string& exe, const std::u16string& arguments,
                  const std::u16string& folder, const std::u16string& recordFile);
  ~WindowedProgram();

  bool Started() const { return process_ != nullptr; }
  /// Waits for the program's visible top-level window with that caption; nullptr when none came.
  HWND WaitForWindow(const std::u16string& caption, unsigned milliseconds = 120000) const;
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
