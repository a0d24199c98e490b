#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "runtime/ProgramInfo.h"
#include "toolkit/Form.h"
#include "toolkit/Picture.h"
#include "toolkit/Window.h"

namespace sigpatch::toolkit {

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
  virtual toolkit::Screen& Screen() = 0;

  /// Lets the queued window events run once; their handlers run inside this call.
  virtual void DoEvents() = 0;

  /// Sleeps until a window event arrives or `deadline` (by the installed clock)
  /// has come, and lets the events that arrived run: a wait that costs no
  /// processor time. Returns at once when the deadline has passed.
  virtual void WaitForEvents(platform::Clock::TimePoint deadline) = 0;

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

  /// Runs an event handler of the program: while it runs no closed window's
  /// owner goes, and a fault it lets through is shown as the run-time error.
  void Deliver(const std::function<void()>& handler);
  /// Whether an event handler of the program (or a box it waits for) runs.
  bool InHandler() const { return handlers_ > 0; }

 protected:
  /// A box with Yes and No that nobody can answer counts as No.
  virtual MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                                      std::u16string_view title) = 0;

  /// Marks one pass of the toolkit's event pump for its lifetime; the
  /// outermost pass first lets go of what closed windows left (ReleaseAtTop).
  class Pump {
   public:
    explicit Pump(Windowing& windowing);
    ~Pump();
    Pump(const Pump&) = delete;
    Pump& operator=(const Pump&) = delete;

   private:
    Windowing& windowing_;
  };
  /// Counts a box of the system's, which waits for the user, as a handler.
  class HandlerScope {
   public:
    explicit HandlerScope(Windowing& windowing) : windowing_(windowing) { ++windowing_.handlers_; }
    ~HandlerScope() { --windowing_.handlers_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    Windowing& windowing_;
  };
  /// Whether the pump runs at its outermost level only.
  bool AtTop() const { return depth_ == 1; }
  /// Where no handler runs, lets go of the owners of closed windows; a toolkit
  /// adds what it frees there.
  virtual void ReleaseAtTop() {
    if (!InHandler()) ReleaseClosed();
  }
  /// Lets go of the owners of closed windows.
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
  int depth_ = 0;
  int handlers_ = 0;
};

/// Lets queued window events run once; does nothing when no windowing layer is
/// installed (there are then no window events).
void doEvents();

}  // namespace sigpatch::toolkit
