#pragma once

#include <cstdint>
#include <string>

#include "runtime/Colors.h"

namespace sigpatch::toolkit::tty {

/// The escape that starts text of a colour 0x00BBGGRR on a terminal: each of
/// red, green and blue counts as on from 128, which picks one of the eight
/// basic terminal colours. Black, white and grey give the empty text: such
/// lines keep the terminal's own text colour, which is readable on any
/// background.
std::string colorEscape(std::int32_t color);

/// The escape that ends coloured text.
inline constexpr const char* kColorReset = "\x1b[0m";

/// The colour of the program's error lines (red).
inline constexpr std::int32_t kErrorColor = color::kRed;

/// What starts an error line in the journal: the kernel's priority prefix at
/// error level, which journald reads as the line's priority (`journalctl -p err`).
inline constexpr const char* kJournalErrorPrefix = "<3>";

/// Whether to write colours: to a terminal, unless NO_COLOR is set to a
/// non-empty value or TERM is "dumb".
bool wantColors(bool isTerminal, const char* noColor, const char* term);

}  // namespace sigpatch::toolkit::tty
