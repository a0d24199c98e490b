#pragma once

#include <optional>
#include <string_view>

namespace sigpatch::platform::posix {

/// Whether standard input is a terminal a person can answer on.
bool stdinIsTerminal();

/// Asks a yes/no question on the terminal: the question on standard output, the
/// answer read from standard input ("y" or "yes" in any case is yes). Nothing
/// when standard input is not a terminal.
std::optional<bool> askOnTerminal(std::u16string_view question);

}  // namespace sigpatch::platform::posix
