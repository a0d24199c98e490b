#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/DrivesAndFolders.h"
#include "toolkit/headless/HeadlessWindowing.h"

namespace sigpatch::toolkit::tty {

/// How the terminal toolkit writes and asks; an unset choice follows the streams.
struct TtyOptions {
  /// Colour escapes in the output lines. Unset: when standard output is a
  /// terminal and neither NO_COLOR (non-empty) nor TERM=dumb says otherwise.
  std::optional<bool> colors;
  /// Questions (the folder chooser). Unset: when standard input is a terminal.
  std::optional<bool> interactive;
  /// Print the status bar's text whenever it is redrawn, to standard error as
  /// "Sigpatch status: " and the text.
  bool statusBar = false;
};

/// The windowing layer on a terminal, for SSH sessions, boot scripts and
/// servers. A shown window prints the lines of its text boxes to standard
/// output, in colour on a terminal, and every line added while it is shown (in
/// the journal, an error line with the journal's error prefix instead); a
/// hidden window prints nothing. Message boxes go to standard error as one line,
/// "Sigpatch: " and the text. A modal window with a one-line text box asks for
/// that text on an interactive terminal and confirms with its default (else its
/// first) button; end of input, or a terminal that cannot ask, closes it as its
/// close box would. A modal window without such a box prints and closes.
class TtyWindowing : public headless::HeadlessWindowing {
 public:
  TtyWindowing(ProgramInfo app, std::u16string command, TtyOptions options = {},
               std::FILE* out = stdout, std::FILE* err = stderr, std::FILE* in = stdin);
  ~TtyWindowing() override;

  const ProgramInfo& App() const override { return app_; }
  std::u16string Command() const override { return command_; }
  toolkit::Screen& Screen() override { return screen_; }
  [[noreturn]] void End(int ExitCode = 0) override;
  /// Only a terminal on standard input can answer.
  bool CanAsk() const override { return interactive_; }
  /// The lines stay on the terminal.
  bool ShowsWindows() const override { return false; }
  void WriteOut(std::u16string_view line) override;

  bool Colors() const { return colors_; }
  bool Interactive() const { return interactive_; }

  void FormShown(headless::HeadlessWindow& form) override;
  void TextInserted(headless::HeadlessWindow& form, const Control& box, std::u16string_view text,
                    std::int32_t color, bool atEnd) override;
  void StatusRefreshed(headless::HeadlessWindow& form,
                       const headless::HeadlessStatusBar& bar) override;
  void RunModal(headless::HeadlessWindow& form) override;

 protected:
  MsgBoxResult ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                              std::u16string_view title) override;

 private:
  /// A terminal has no pixels; it counts as a 96-dpi screen.
  class TerminalScreen : public toolkit::Screen {
   public:
    double TwipsPerPixelX() const override { return 15; }
    double TwipsPerPixelY() const override { return 15; }
    std::int32_t MousePointer() const override { return pointer_; }
    void SetMousePointer(std::int32_t pointer) override { pointer_ = pointer; }

   private:
    std::int32_t pointer_ = kPointerDefault;
  };

  void Print(std::u16string_view text, std::int32_t color);
  /// Asks for one line on the terminal; nothing at the end of input.
  std::optional<std::u16string> Ask(std::u16string_view question);

  std::FILE* out_;
  std::FILE* err_;
  std::FILE* in_;
  TerminalScreen screen_;
  ProgramInfo app_;
  std::u16string command_;
  TtyOptions options_;
  /// Standard output is the journal's stream (a boot service's).
  bool journal_;
  bool colors_;
  /// The next character printed starts a line.
  bool lineStart_ = true;
  bool interactive_;
};

}  // namespace sigpatch::toolkit::tty
