#pragma once

// What the terminal toolkit asks of the system's terminal (a console on
// Windows): one file a system, chosen by the build.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>


namespace sigpatch::toolkit::tty {

/// Whether the stream is a terminal (on Windows: a console) a person looks at.
bool isTerminal(std::FILE* stream);

/// Whether the stream is the journal's: systemd names the stream it connects
/// to the journal in JOURNAL_STREAM as "<device>:<inode>".
bool isJournal(std::FILE* stream);

/// Readies the terminal behind `stream` for UTF-8 text and colour escapes (the
/// Windows console takes both only when asked); false when it cannot show
/// colour escapes.
bool prepareTerminal(std::FILE* stream);

/// One line of input in UTF-8, without its line break; nothing at the end of
/// the input.
std::optional<std::string> readLine(std::FILE* in);

}  // namespace sigpatch::toolkit::tty
