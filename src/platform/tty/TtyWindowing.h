#pragma once

#include <cstdio>
#include <string>

#include "platform/Windowing.h"

namespace sigpatch::platform::tty {

/// The windowing layer on a terminal: message boxes go to standard error as one
/// line, "Sigpatch: " and the text.
class TtyWindowing : public Windowing {
 public:
  TtyWindowing(ProgramInfo app, std::u16string command, std::FILE* out = stdout,
               std::FILE* err = stderr);

  const ProgramInfo& App() const override { return app_; }
  std::u16string Command() const override { return command_; }
  platform::Screen& Screen() override { return screen_; }
  void DoEvents() override {}
  [[noreturn]] void End() override;

 protected:
  void ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                      std::u16string_view title) override;

  std::FILE* out_;
  std::FILE* err_;

 private:
  /// A terminal has no pixels; it counts as a 96-dpi screen.
  class TerminalScreen : public platform::Screen {
   public:
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
    std::int32_t MousePointer() const override { return pointer_; }
    void SetMousePointer(std::int32_t pointer) override { pointer_ = pointer; }

   private:
    std::int32_t pointer_ = kPointerDefault;
  };

  TerminalScreen screen_;
  ProgramInfo app_;
  std::u16string command_;
};

}  // namespace sigpatch::platform::tty
