#pragma once

// The windowed program (sigpatch.exe) started as a user starts it, and windows seen from outside,
// through the system's messages only: which are up, what they show, the user's keys and clicks.

#include <functional>
#include <string>

#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::testing {

std::u16string textOf(HWND window);
/// The window's first child whose class is `type` (any case) and that `also` accepts; or nullptr.
HWND childOf(HWND window, const wchar_t* type, const std::function<bool(HWND)>& also = {});
/// Posts a key's press and release, and a click of the left mouse button.
void postKey(HWND window, unsigned virtualKey);
void postClick(HWND control);
/// Waits for `done` to hold, looking every 20 ms for up to `milliseconds`; whether it does.
bool waitFor(const std::function<bool()>& done, unsigned milliseconds = 120000);

class WindowedProgram {
 public:
  /// Starts `exe` with the argument string in `folder`; SIGPATCH_PROBE_RECORD names `recordFile`
  /// for the packages it starts. The program is ended, if still running, with this object.
  WindowedProgram(const std::u16string& exe, const std::u16string& arguments,
                  const std::u16string& folder, const std::u16string& recordFile);
  ~WindowedProgram();
  WindowedProgram(const WindowedProgram&) = delete;
  WindowedProgram& operator=(const WindowedProgram&) = delete;

  bool Started() const { return process_ != nullptr; }
  /// Waits for the program's visible top-level window with that caption; nullptr when none came.
  HWND WaitForWindow(const std::u16string& caption, unsigned milliseconds = 120000) const;
  bool WaitForExit(unsigned milliseconds = 120000) const;
  /// The text of a window's rich-edit box; its first visible image; a key pressed in its box.
  static std::u16string BoxText(HWND window) { return textOf(childOf(window, MSFTEDIT_CLASS)); }
  static HWND FirstImage(HWND window);
  static void PressKey(HWND window, unsigned virtualKey) {
    postKey(childOf(window, MSFTEDIT_CLASS), virtualKey);
  }
  static void Click(HWND control) { postClick(control); }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace sigpatch::testing
