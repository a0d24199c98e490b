#include "platform/posix/PosixConsole.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "runtime/Text.h"

namespace sigpatch::platform::posix {

bool stdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::optional<bool> askOnTerminal(std::u16string_view question) {
  if (!stdinIsTerminal()) return std::nullopt;
  std::cout << text::toUtf8(question) << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  const auto upper = text::toUpper(text::fromUtf8(answer));
  return upper == u"Y" || upper == u"YES";
}

}  // namespace sigpatch::platform::posix
