#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/FormList.h"
#include "toolkit/Windowing.h"
#include "toolkit/win32/Win32Pictures.h"
#include "toolkit/win32/Win32Screen.h"

struct HWND__;
struct HFONT__;
struct HICON__;
struct tagMSG;

namespace sigpatch::toolkit::win32 {

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
class Win32Windowing : public Windowing, public FormList<Win32Window> {
 public:
  Win32Windowing(ProgramInfo app, std::u16string command);
  ~Win32Windowing() override;

  const ProgramInfo& App() const override { return app_; }
  std::u16string Command() const override { return command_; }
  toolkit::Screen& Screen() override { return screen_; }
  void DoEvents() override;
  void WaitForEvents(platform::Clock::TimePoint deadline) override;
  void RunEventLoop() override;
  std::unique_ptr<Window> NewForm(const FormDesign& design) override;
  Picture LoadPicture(std::u16string_view resourceName) override;
  [[noreturn]] void End(int ExitCode = 0) override;
  void WriteOut(std::u16string_view line) override;

  Win32Screen& Win32ScreenOf() { return screen_; }
  Win32Pictures& Pictures() { return pictures_; }
  /// The font of a design, made once for each name, size and style.
  HFONT__* FontOf(const Font& font);
  /// The shell's small folder icons, open and closed, for the folder list.
  HICON__* FolderIcon(bool open);
  /// The hidden window that owns the forms kept out of the task bar.
  HWND__* HiddenOwner() const { return hiddenOwner_; }

  /// Runs the message loop of a modal window until `done` holds.
  void RunModalLoop(const std::function<bool()>& done);

  /// The form whose top-level window is `handle`, or nullptr.
  Win32Window* FormOf(HWND__* handle) const;

 protected:
  MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                              std::u16string_view title) override;

 private:
  /// Handles one message of the queue; false for WM_QUIT (put back).
  bool Dispatch(tagMSG& message);

  ProgramInfo app_;
  std::u16string command_;
  Win32Screen screen_;
  Win32Pictures pictures_;
  struct FontEntry {
    Font font;
    HFONT__* handle;
  };
  std::vector<FontEntry> fonts_;
  HICON__* folderOpen_ = nullptr;
  HICON__* folderClosed_ = nullptr;
  HWND__* hiddenOwner_ = nullptr;
  bool comStarted_ = false;
};

}  // namespace sigpatch::toolkit::win32
