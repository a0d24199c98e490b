#pragma once

// The windowed program (sigpatch.exe) started as a user starts it, and its
// windows seen from outside, through the system's messages only: which are up,
// what they show, and the user's keys and clicks on them.

#include <functional>
#include <string>
#include <vector>

#include "toolkit/win32/Win32UiHeaders.h"

namespace sigpatch::testing {

class WindowedProgram {
 public:
  /// Starts `exe` with the argument string, in `folder`; SIGPATCH_PROBE_RECORD
  /// names `recordFile` for the packages it starts.
  WindowedProgram(const std::u16string& exe, const std::u16string& arguments,
                  const std::u16string& folder, const std::u16string& recordFile);
  ~WindowedProgram();
  WindowedProgram(const WindowedProgram&) = delete;
  WindowedProgram& operator=(const WindowedProgram&) = delete;

  bool Started() const { return process_ != nullptr; }
  /// The program's visible top-level window with that caption, or nullptr.
  HWND Window(const std::u16string& caption) const;
  /// Waits up to `milliseconds` for that window; nullptr when it did not come.
  HWND WaitForWindow(const std::u16string& caption, unsigned milliseconds = 20000) const;
  /// The text of the window's rich-edit box ("" when it has none).
  static std::u16string BoxText(HWND window);
  /// The window's first child of that class ("Edit", "Button") and, when not
  /// empty, that text; nullptr when it has none.
  static HWND Child(HWND window, const wchar_t* type, const std::u16string& text = {});
  /// The window's first visible image (a static control showing a bitmap).
  static HWND FirstImage(HWND window);
  /// Presses and releases a key on the window's rich-edit box.
  static void PressKey(HWND window, unsigned virtualKey);
  /// Clicks a control with the left mouse button.
  static void Click(HWND control);
  /// Waits up to `milliseconds` for the program to end; whether it did.
  bool WaitForExit(unsigned milliseconds) const;
  /// Ends the program (a test that failed half-way).
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

/// Waits up to `milliseconds` for `done` to hold, looking every 20 ms; whether it does.
bool waitFor(const std::function<bool()>& done, unsigned milliseconds);

}  // namespace sigpatch::testing
