#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "platform/Window.h"

namespace sigpatch::platform {

/// What the program knows of itself: title, executable and version information.
struct ProgramInfo {
  std::u16string Title;
  /// The executable's name without folder and extension ("sigpatch").
  std::u16string EXEName;
  /// The folder that holds the executable, without a trailing separator.
  std::u16string Path;
  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Revision = 0;
  std::u16string CompanyName;
  std::u16string Comments;
  std::u16string LegalCopyright;
};

/// The title line of every window and of "LatestRunVersion": the title, " V",
/// the major version, the minor and the revision with at least two digits
/// ("Sigpatch V1.01.02").
std::u16string titleLine(const ProgramInfo& app);

enum class MsgBoxStyle {
  OkOnly,
  /// OK button with the critical-stop icon.
  Critical,
  /// Yes and No buttons with the question icon.
  YesNoQuestion,
};

/// The button that closed a message box.
enum class MsgBoxResult {
  OK = 1,
  Yes = 6,
  No = 7,
};

/// The windowing layer: the program's facts, its message box, its event pump,
/// the immediate stop, and the windows with their controls and pictures.
class Windowing {
 public:
  Windowing() = default;
  Windowing(const Windowing&) = delete;
  Windowing& operator=(const Windowing&) = delete;
  virtual ~Windowing() = default;

  virtual const ProgramInfo& App() const = 0;
  /// The argument string: the command line less the program's own name, as typed.
  virtual std::u16string Command() const = 0;

  /// A message box; returns the button the user closed it with. An empty title
  /// stands for the program title.
  MsgBoxResult MsgBox(std::u16string_view prompt, MsgBoxStyle style = MsgBoxStyle::OkOnly,
                      std::u16string_view title = {}) {
    return ShowMessageBox(prompt, style, title.empty() ? std::u16string_view(App().Title) : title);
  }

  /// The screen: twips per pixel and the screen-wide mouse pointer.
  virtual platform::Screen& Screen() = 0;

  /// Lets the queued window events run once; their handlers run inside this call.
  virtual void DoEvents() = 0;

  /// Sleeps until a window event arrives or `deadline` (by the installed clock)
  /// has come, and lets the events that arrived run: a wait that costs no
  /// processor time. Returns at once when the deadline has passed.
  virtual void WaitForEvents(Clock::TimePoint deadline) = 0;

  /// Processes window events as long as one of the program's windows is open;
  /// returns when none is left or the user can no longer reach any.
  virtual void RunEventLoop() = 0;

  /// A new form, not loaded yet.
  virtual std::unique_ptr<Window> NewForm(const FormDesign& design) = 0;

  /// The picture of one of the program's resources ("pin-pinned.png"); each
  /// call loads a new picture object with a handle of its own. An unknown name
  /// raises error 53.
  virtual Picture LoadPicture(std::u16string_view resourceName) = 0;

  /// Keeps `owner`, the object that owns `form`, alive while the form is
  /// loaded: a window shown modeless stays open after the one who showed it
  /// has let go of it, and goes when it is closed.
  void KeepWhileLoaded(const Window& form, std::shared_ptr<void> owner);
  /// Called by a window when it has been unloaded.
  void FormUnloaded(const Window& form);

  /// Ends the whole program at once with the exit status: no further code of
  /// the program runs.
  [[noreturn]] virtual void End(int ExitCode = 0) = 0;
  /// Writes one line on the program's standard output (the terminal or the
  /// console it was started from), where it has one.
  virtual void WriteOut(std::u16string_view line) = 0;
  /// Whether somebody can answer a window the program shows: false on a
  /// terminal that is not interactive (a boot service, a script).
  virtual bool CanAsk() const { return true; }
  /// Whether the windows are drawn on a screen, where a window that is closed
  /// is gone; false on the terminal, where the lines stay.
  virtual bool ShowsWindows() const { return true; }

 protected:
  /// A box with Yes and No that nobody can answer counts as No.
  virtual MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                                      std::u16string_view title) = 0;

  /// Lets go of the owners of closed windows. Implementations call it where no
  /// window's event handler can be running (at the top of their event pump).
  void ReleaseClosed() { closed_.clear(); }
  /// Lets go of every kept owner; implementations call it from their destructor.
  void ReleaseAll();

 private:
  struct Kept {
    const Window* form;
    std::shared_ptr<void> owner;
  };
  std::vector<Kept> kept_;
  std::vector<std::shared_ptr<void>> closed_;
};

}  // namespace sigpatch::platform
