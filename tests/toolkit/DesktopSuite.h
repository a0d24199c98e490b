#pragma once

// What a toolkit that draws real windows (Qt, Win32) adds to the windows' behaviour, checked once
// for both: DesktopSuite.cpp holds the tests, each toolkit's test support these functions.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fakes/FakeRegistry.h"
#include "fakes/FakeSystem.h"
#include "platform/Platform.h"
#include "runtime/Text.h"
#include "toolkit/Windowing.h"

namespace sigpatch::testing {

/// A rectangle in pixels of a form's inner area.
struct Place {
  long left, top, width, height;
  long right() const { return left + width; }
  long bottom() const { return top + height; }
  friend bool operator==(const Place&, const Place&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Place& p) {
    return out << p.left << "," << p.top << " " << p.width << "x" << p.height;
  }
};

/// A line of a text box's view and the colour (0x00BBGGRR) of its first character; or a message
/// box's text (line ends "\n"), title and icon as its style number (16 the stop icon, else 0).
struct Shown {
  std::u16string text, title;
  std::int32_t code = 0;
  friend bool operator==(const Shown&, const Shown&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << text::toUtf8(s.text + u"|" + s.title) << "|" << s.code;
  }
};

// The toolkit of the test process, the system's clock, drives and folders; the newest loaded form
// of a name (or nullptr) and a control of it; every form unloaded.
toolkit::Windowing& desktop();
platform::Clock& systemClock();
platform::DrivesAndFolders& systemFolders();
toolkit::Window* findForm(std::u16string_view name);
toolkit::Control& controlOf(const toolkit::Window& form, std::u16string_view control);
void unloadAll();
// What the system shows: a form's inner area at (0, 0) and a control's place in it, the text of a
// text box, list or status bar (its first panel), a text box's lines, the waiting pointer.
Place clientOf(const toolkit::Window& form);
Place placeOf(const toolkit::Window& form, std::u16string_view control);
bool shownOnScreen(const toolkit::Window& form);
bool minimizedOnScreen(const toolkit::Window& form);
std::u16string shownText(const toolkit::Window& form, std::u16string_view control);
std::vector<Shown> shownLines(const toolkit::Window& form, std::u16string_view control);
bool hourglassShown();
// What the user does: drag a form to an inner area of that many pixels, click, a key in a control
// (given the focus first), the close box, a double click in a folder list, OK in the message box
// shown next once it is up. `later` runs an action when the event loop turns, after a delay.
void resizeClient(const toolkit::Window& form, int width, int height);
void click(const toolkit::Window& form, std::u16string_view control);
void pressKey(const toolkit::Window& form, std::u16string_view control, std::int16_t keyCode);
void closeBox(const toolkit::Window& form);
void openFolder(const toolkit::Window& form, std::u16string_view list, std::u16string_view name);
void answerNextMessageBox(std::optional<Shown>& seen);
void later(std::function<void()> action, int milliseconds = 0);

/// The toolkit with the system's clock and drives, a system and a registry in memory, installed
/// for one test; what it leaves open is closed after it.
class DesktopTest : public ::testing::Test {
 protected:
  ~DesktopTest() override { unloadAll(); }

  fakes::FakeSystem system;
  fakes::FakeRegistry registry;

 private:
  platform::ScopedPlatform installed_{{&desktop(), &systemClock(), &registry, nullptr, nullptr,
                                       &system, nullptr, &systemFolders()}};
};

}  // namespace sigpatch::testing
