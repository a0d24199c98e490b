#pragma once

// The windowed program (sigpatch.exe) started as a user starts it, and its windows seen from
// outside, through the system's messages only: which are up, what they show, and the user's keys
// and clicks on them.

#include <functional>
#include <string>

#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::testing {

class WindowedProgram {
 public:
  /// Starts `exe` with the argument string, in `folder`; SIGPATCH_PROBE_RECORD names `recordFile`
  /// for the packages it starts. The program is ended, if still running, with this object.
  WindowedProgram(const std::u16string& exe, const std::u16string& arguments,
                  const std::u16string& folder, const std::u16string& recordFile);
  ~WindowedProgram();
  WindowedProgram(const WindowedProgram&) = delete;
  WindowedProgram& operator=(const WindowedProgram&) = delete;

  bool Started() const { return process_ != nullptr; }
  /// Waits for the program's visible top-level window with that caption; nullptr when none came.
  HWND WaitForWindow(const std::u16string& caption, unsigned milliseconds = 120000) const;
  /// The text of the window's rich-edit box ("" when it has none).
  static std::u16string BoxText(HWND window);
  /// The window's first visible image (a static control showing a bitmap).
  static HWND FirstImage(HWND window);
  /// Presses and releases a key on the window's rich-edit box.
  static void PressKey(HWND window, unsigned virtualKey);
  /// Clicks a control with the left mouse button.
  static void Click(HWND control);
  /// Waits for the program to end; whether it did.
  bool WaitForExit(unsigned milliseconds = 120000) const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

/// Waits for `done` to hold, looking every 20 ms for up to `milliseconds`; whether it does.
bool waitFor(const std::function<bool()>& done, unsigned milliseconds = 120000);

}  // namespace sigpatch::testing
