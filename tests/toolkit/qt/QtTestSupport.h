#pragma once

// Helpers of the desktop toolkit's tests: the one toolkit of the test process
// (Qt allows one application object), the services installed for a test, the
// widgets of a window found by their control's name, and actions run from
// Qt's event loop while a modal window or a message box waits.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "platform/Platform.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixDrivesAndFolders.h"
#include "runtime/Text.h"
#include "toolkit/qt/QtWindow.h"
#include "toolkit/qt/QtWindowing.h"

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
  platform::posix::PosixClock real_;
  std::chrono::milliseconds offset_{0};
};

/// The toolkit of the test process, opened by main() on Qt's offscreen platform.
toolkit::qt::QtWindowing& qtToolkit();

/// The desktop toolkit with the system's clock (which the test may move on), a system whose work
/// area is 1024 x 738 pixels and a registry in memory, installed for one test. A test that leaves a
/// window waiting for the user fails instead of hanging: after `kPatience` every window is closed.
class QtTest : public ::testing::Test {
 protected:
  QtTest();
  ~QtTest() override;

  toolkit::qt::QtWindow& Form(std::u16string_view name) const;
  /// The widget of the control of that name in the newest window of that name.
  template <typename W = QWidget>
  W* Widget(std::u16string_view form, const char* control) const {
    auto* found = Form(form).Widget()->findChild<W*>(QString::fromUtf8(control));
    if (found == nullptr) ADD_FAILURE() << "no widget " << control;
    return found;
  }
  /// Runs `action` from the event loop, as soon as it turns.
  static void Later(std::function<void()> action, int milliseconds = 0);
  /// Runs `action` with the message box shown next, once it is up: returns
  /// its text, title and icon through `seen` and closes it with its OK button.
  struct SeenMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
  };
  static void AnswerNextMessageBox(std::optional<SeenMessage>& seen);
  /// Lets the event loop run until `done` holds, for at most five seconds;
  /// whether it holds.
  static bool WaitUntil(const std::function<bool()>& done);
  /// Makes the window the active one, as a click on it would; whether it is.
  static bool Activate(QWidget* window);

  static constexpr int kPatience = 20000;

  fakes::FakeSystem system;
  fakes::FakeRegistry registry;
  JumpClock clock;
  platform::posix::PosixDrivesAndFolders drivesAndFolders;

 private:
  platform::Platform services_;
  std::optional<platform::ScopedPlatform> installed_;
  QTimer watchdog_;
};

}  // namespace sigpatch::testing
