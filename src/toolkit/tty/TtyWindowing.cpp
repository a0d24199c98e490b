#include "toolkit/tty/TtyWindowing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/DrivesAndFolders.h"
#include "platform/Platform.h"
#include "runtime/Text.h"
#include "toolkit/headless/HeadlessDirListBox.h"
#include "toolkit/tty/TtyColors.h"
#include "toolkit/tty/TtyConsole.h"

namespace sigpatch::toolkit::tty {
namespace {

// Readies a terminal on the output side; colours as asked, else when the
// terminal can show them and nothing in the environment forbids them.
bool colorsFor(std::FILE* out, std::optional<bool> asked) {
  const bool showsColors = isTerminal(out) && prepareTerminal(out);
  if (asked) return *asked;
  return wantColors(showsColors, std::getenv("NO_COLOR"), std::getenv("TERM"));
}

// The boxes whose lines a shown window prints: rich-text boxes and text boxes
// of several lines.
bool printsLines(const Control& box) {
  if (dynamic_cast<const headless::HeadlessRichTextBox*>(&box) != nullptr) return true;
  const auto* text = dynamic_cast<const headless::HeadlessTextBox*>(&box);
  return text != nullptr && text->MultiLine();
}

// One line for a message: line breaks inside the text become " / ".
std::u16string oneLine(std::u16string_view text) {
  std::u16string line(text);
  for (std::size_t at = line.find(u"\r\n"); at != std::u16string::npos;
       at = line.find(u"\r\n", at)) {
    line.replace(at, 2, u" / ");
  }
  return line;
}

}  // namespace

TtyWindowing::TtyWindowing(ProgramInfo app, std::u16string command, TtyOptions options,
                           std::FILE* out, std::FILE* err, std::FILE* in)
    : out_(out),
      err_(err),
      in_(in),
      app_(std::move(app)),
      command_(std::move(command)),
      options_(options),
      journal_(isJournal(out)),
      colors_(!journal_ && colorsFor(out, options.colors)),
      interactive_(options.interactive.value_or(isTerminal(in))) {
  // Message boxes go to the error stream, in UTF-8 too.
  if (err_ != out_ && isTerminal(err_)) prepareTerminal(err_);
}

TtyWindowing::~TtyWindowing() { ReleaseAll(); }

void TtyWindowing::End(int ExitCode) {
  std::fflush(out_);
  std::fflush(err_);
  std::_Exit(ExitCode);
}

void TtyWindowing::WriteOut(std::u16string_view line) {
  std::fputs((text::toUtf8(line) + "\n").c_str(), out_);
  std::fflush(out_);
}

MsgBoxResult TtyWindowing::ShowMessageBox(std::u16string_view prompt, MsgBoxStyle style,
                                          std::u16string_view title) {
  std::fprintf(err_, "%s: %s\n", text::toUtf8(title).c_str(),
               text::toUtf8(oneLine(prompt)).c_str());
  std::fflush(err_);
  // A question on the terminal has nobody to click its buttons: it counts as No.
  return style == MsgBoxStyle::YesNoQuestion ? MsgBoxResult::No : MsgBoxResult::OK;
}

void TtyWindowing::Print(std::u16string_view text, std::int32_t color) {
  // Lines end in "\r\n" in the boxes; a terminal wants "\n", and the colour
  // ends before each line break so that it never runs into the next line.
  const std::string escape = colors_ ? colorEscape(color) : std::string();
  const bool errorLine = journal_ && color == kErrorColor;
  std::string line;
  auto flushLine = [&]() {
    if (line.empty()) return;
    if (errorLine && lineStart_) std::fputs(kJournalErrorPrefix, out_);
    lineStart_ = false;
    if (!escape.empty()) std::fputs(escape.c_str(), out_);
    std::fputs(line.c_str(), out_);
    if (!escape.empty()) std::fputs(kColorReset, out_);
    line.clear();
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = text.find(u'\n', start);
    auto piece = text.substr(start, end == std::u16string_view::npos ? text.npos : end - start);
    if (!piece.empty() && piece.back() == u'\r') piece.remove_suffix(1);
    line = text::toUtf8(piece);
    flushLine();
    if (end == std::u16string_view::npos) break;
    std::fputc('\n', out_);
    lineStart_ = true;
    start = end + 1;
  }
  std::fflush(out_);
}

void TtyWindowing::FormShown(headless::HeadlessWindow& form) {
  for (const auto& control : form.Controls()) {
    if (!printsLines(*control)) continue;
    if (const auto* rich = dynamic_cast<const headless::HeadlessRichTextBox*>(control.get())) {
      for (const auto& run : rich->Runs()) Print(run.Text, run.Color);
    } else {
      Print(static_cast<const headless::HeadlessTextBox&>(*control).Text(), 0);
    }
  }
}

void TtyWindowing::TextInserted(headless::HeadlessWindow& form, const Control& box,
                                std::u16string_view text, std::int32_t color, bool atEnd) {
  // A stream can only grow at its end: text put elsewhere shows when the
  // window is shown again.
  if (form.IsVisible() && atEnd && printsLines(box)) Print(text, color);
}

void TtyWindowing::StatusRefreshed(headless::HeadlessWindow& form,
                                   const headless::HeadlessStatusBar& bar) {
  if (!options_.statusBar || !form.IsVisible()) return;
  std::u16string texts;
  for (const auto& panel : bar.Panels()) {
    if (!texts.empty()) texts += u" | ";
    texts += panel.Text;
  }
  std::fprintf(err_, "%s status: %s\n", text::toUtf8(form.Caption()).c_str(),
               text::toUtf8(oneLine(texts)).c_str());
  std::fflush(err_);
}

std::optional<std::u16string> TtyWindowing::Ask(std::u16string_view question) {
  std::fputs(text::toUtf8(question).c_str(), err_);
  std::fflush(err_);
  const auto answer = readLine(in_);
  if (!answer) {
    std::fputc('\n', err_);  // the prompt's line ends here too
    return std::nullopt;
  }
  return text::fromUtf8(*answer);
}

void TtyWindowing::RunModal(headless::HeadlessWindow& form) {
  RunPosted();
  if (!form.IsVisible()) return;
  headless::HeadlessTextBox* field = nullptr;
  for (const auto& control : form.Controls()) {
    auto* box = dynamic_cast<headless::HeadlessTextBox*>(control.get());
    if (box != nullptr && !box->MultiLine() && box->Visible()) {
      field = box;
      break;
    }
  }
  const auto buttons = form.ButtonsInTabOrder();
  headless::HeadlessButton* confirm = buttons.empty() ? nullptr : buttons.front();
  for (auto* button : buttons) {
    if (button->Default()) {
      confirm = button;
      break;
    }
  }
  // A form with a folder list takes only a folder that exists, given whole.
  const bool choosesFolder =
      std::any_of(form.Controls().begin(), form.Controls().end(), [](const auto& control) {
        return dynamic_cast<headless::HeadlessDirListBox*>(control.get()) != nullptr;
      });
  if (field != nullptr && confirm != nullptr && interactive_) {
    field->Focus();
    const auto proposal = field->Text();
    while (const auto answer = Ask(form.Caption() + u" [" + proposal + u"]: ")) {
      std::u16string chosen = answer->empty() ? proposal : *answer;
      if (choosesFolder) {
        const auto folder = platform::drivesAndFolders().FindFolder(chosen);
        if (!folder) {
          std::fprintf(err_, "Folder %s does not exist.\n", text::toUtf8(chosen).c_str());
          continue;
        }
        chosen = *folder;
      }
      if (chosen != proposal) field->Type(chosen);
      confirm->Click();
      break;
    }
  }
  // Whatever is still open closes as by its close box: there is nobody to
  // answer it.
  form.ClickCloseBox();
}

}  // namespace sigpatch::toolkit::tty
