#include "platform/tty/TtyWindowing.h"

#include <cstdlib>

#include "platform/Text.h"

namespace sigpatch::platform::tty {

TtyWindowing::TtyWindowing(ProgramInfo app, std::u16string command, std::FILE* out,
                           std::FILE* err)
    : out_(out), err_(err), app_(std::move(app)), command_(std::move(command)) {}

void TtyWindowing::End() {
  std::fflush(out_);
  std::fflush(err_);
  std::_Exit(0);
}

void TtyWindowing::ShowMessageBox(std::u16string_view prompt, MsgBoxStyle /*style*/,
                                  std::u16string_view title) {
  // One line a message: line breaks inside the text become " / ".
  std::u16string line(prompt);
  for (std::size_t at = line.find(u"\r\n"); at != std::u16string::npos; at = line.find(u"\r\n", at)) {
    line.replace(at, 2, u" / ");
  }
  std::fprintf(err_, "%s: %s\n", text::toUtf8(title).c_str(), text::toUtf8(line).c_str());
  std::fflush(err_);
}

}  // namespace sigpatch::platform::tty
