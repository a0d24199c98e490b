#pragma once

// Helpers of the tests of the Windows toolkit: the one toolkit of the test
// process, the services installed for a test, the system's windows of a
// form's controls, actions run from the message queue while a modal window
// or a message box waits, and what a message box showed.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32DrivesAndFolders.h"
#include "toolkit/win32/Win32UiHeaders.h"
#include "toolkit/win32/Win32Window.h"
#include "toolkit/win32/Win32Windowing.h"

namespace sigpatch::testing {

/// The system's clock, which a test can move on, so that the windows' waits
/// (three seconds after the last line, two for the splash) end at once.
class JumpClock : public platform::Clock {
 public:
  TimePoint Now() const override { return real_.Now() + offset_; }
  platform::DateTime ToLocal(TimePoint t) const override { return real_.ToLocal(t); }
  std::chrono::milliseconds Ticks() const override { return real_.Ticks() + offset_; }
  void Sleep(std::chrono::milliseconds duration) override { real_.Sleep(duration); }
  void Jump(std::chrono::milliseconds by) { offset_ += by; }

 private:
  platform::win32::Win32Clock real_;
  std::chrono::milliseconds offset_{0};
};

/// The toolkit of the test process.
toolkit::win32::Win32Windowing& toolkit();

/// A rectangle of a window in its form's client area, in pixels.
struct Place {
  long left, top, width, height;
  friend bool operator==(const Place&, const Place&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Place& p) {
    return out << "(" << p.left << ", " << p.top << ", " << p.width << " x " << p.height << ")";
  }
};
Place placeOf(HWND child);
/// The client area's size of a window as a place at (0, 0).
Place clientOf(HWND window);
/// The text of a window (WM_GETTEXT), as the program's text.
std::u16string windowText(HWND window);

/// What a message box showed.
struct SeenMessage {
  std::u16string text;
  std::u16string title;
  bool criticalIcon = false;
};

/// The Windows toolkit with the system's clock (which the test may move on), a system whose work
/// area is 1024 x 738 pixels and a registry in memory, installed for one test. A test that leaves
/// a window waiting for the user fails instead of hanging: after `kPatience` every message box
/// and window is closed.
class Win32UiTest : public ::testing::Test {
 protected:
  Win32UiTest();
  ~Win32UiTest() override;

  toolkit::win32::Win32Window& Form(std::u16string_view name) const;
  /// The system's window of a control of the newest form of that name.
  HWND Control(std::u16string_view form, std::u16string_view control) const;
  /// Runs `action` from the message queue after `milliseconds`.
  static void Later(std::function<void()> action, unsigned milliseconds = 0);
  /// Runs `action` from the message queue once the newest form of that name is shown.
  static void WhenShown(std::u16string form, std::function<void()> action);
  /// Closes the message box shown next with its OK button, once it is up,
  /// after noting what it showed in `seen`.
  static void AnswerNextMessageBox(std::optional<SeenMessage>& seen);
  /// Lets the queue run until `done` holds, for at most five seconds; whether it holds.
  static bool WaitUntil(const std::function<bool()>& done);
  /// Gives the form the size of client area in pixels, as the user's drag would.
  static void ResizeClient(HWND form, int width, int height);
  /// Presses and releases a key on the window with the focus, through the queue.
  static void PressKey(unsigned virtualKey);
  /// Clicks a control with the left mouse button, through the queue.
  static void Click(HWND control);

  static constexpr unsigned kPatience = 20000;

  fakes::FakeSystem system;
  fakes::FakeRegistry registry;
  JumpClock clock;
  platform::win32::Win32DrivesAndFolders drivesAndFolders;

 private:
  platform::Platform services_;
  std::optional<platform::ScopedPlatform> installed_;
  UINT_PTR watchdog_ = 0;
};

}  // namespace sigpatch::testing
