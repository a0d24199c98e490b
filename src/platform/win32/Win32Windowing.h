#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Windowing.h"
#include "platform/win32/Win32Folders.h"
#include "platform/win32/Win32Pictures.h"
#include "platform/win32/Win32Screen.h"

struct HWND__;
struct HFONT__;
struct HICON__;
struct tagMSG;

namespace sigpatch::platform::win32 {

class Win32Window;

/// The windowing layer on the system's own windows: every form is a top-level
/// window, every control a real control (rich edit, common-controls status
/// bar, statics, buttons, edit boxes, a combo box of drives, a list box of
/// folders). Events run on the thread's message queue: DoEvents empties it,
/// the waits sleep on it, a modal window turns it until it is closed. Each
/// message passes the form first (a released key, for a form that sees keys
/// first) and then the dialog keys (Tab, Enter, Esc, the mnemonics). A fault
/// that an event handler of the program lets through is shown as the system
/// shows an unhandled run-time error, and the program goes on.
class Win32Windowing : public Windowing {
 public:
  Win32Windowing(ProgramInfo app, std::u16string command);
  ~Win32Windowing() override;

  const ProgramInfo& App() const override { return app_; }
  std::u16string Command() const override { return command_; }
  platform::Screen& Screen() override { return screen_; }
  void DoEvents() override;
  void WaitForEvents(Clock::TimePoint deadline) override;
  void RunEventLoop() override;
  std::unique_ptr<Window> NewForm(const FormDesign& design) override;
  Picture LoadPicture(std::u16string_view resourceName) override;
  [[noreturn]] void End(int ExitCode = 0) override;
  void WriteOut(std::u16string_view line) override;

  Win32Screen& Win32ScreenOf() { return screen_; }
  Win32Pictures& Pictures() { return pictures_; }
  Win32Folders& Folders() { return folders_; }
  /// The font of a design, made once for each name, size and style.
  HFONT__* FontOf(const Font& font);
  /// The shell's small folder icons, open and closed, for the folder list.
  HICON__* FolderIcon(bool open);
  /// The hidden window that owns the forms kept out of the task bar.
  HWND__* HiddenOwner() const { return hiddenOwner_; }

  /// Runs an event handler of the program: while it runs no closed window's
  /// owner goes, and a fault it lets through is reported.
  void Deliver(const std::function<void()>& handler);
  /// Runs the message loop of a modal window until `done` holds.
  void RunModalLoop(const std::function<bool()>& done);

  /// The windows that exist, oldest first.
  const std::vector<Win32Window*>& Forms() const { return forms_; }
  /// The newest window of that name, or nullptr.
  Win32Window* FindForm(std::u16string_view name) const;
  /// The form whose top-level window is `handle`, or nullptr.
  Win32Window* FormOf(HWND__* handle) const;
  void Register(Win32Window& form) { forms_.push_back(&form); }
  void Unregister(const Win32Window& form);

 protected:
  MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                              std::u16string_view title) override;

 private:
  /// Counts nested event pumps, so that closed windows' owners go only at the
  /// top, where no handler of theirs can be running.
  struct Pump {
    explicit Pump(Win32Windowing& windowing);
    ~Pump();
    Win32Windowing& windowing;
  };
  void ReleaseAtTop();
  /// Handles one message of the queue; false for WM_QUIT (put back).
  bool Dispatch(tagMSG& message);

  ProgramInfo app_;
  std::u16string command_;
  Win32Screen screen_;
  Win32Pictures pictures_;
  Win32Folders folders_;
  std::vector<Win32Window*> forms_;
  struct FontEntry {
    Font font;
    HFONT__* handle;
  };
  std::vector<FontEntry> fonts_;
  HICON__* folderOpen_ = nullptr;
  HICON__* folderClosed_ = nullptr;
  HWND__* hiddenOwner_ = nullptr;
  bool comStarted_ = false;
  int depth_ = 0;
  int handlers_ = 0;
};

}  // namespace sigpatch::platform::win32
