#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sigpatch::inline runtime {

/// A command line split as Windows splits it.
struct CommandLineParts {
  std::u16string program;
  std::vector<std::u16string> arguments;

  friend bool operator==(const CommandLineParts&, const CommandLineParts&) = default;
};

/// The program name of a command line and where its arguments begin, as the
/// system looks for the program: a quoted name up to its closing quote; an
/// unquoted name that holds blanks is tried at each blank in turn ("C:\Program
/// Files\x y.exe a" first as "C:\Program", then "C:\Program Files\x", ...).
struct ProgramCandidate {
  std::u16string program;
  /// The rest of the line, from which the arguments are split.
  std::u16string_view rest;
};
std::vector<ProgramCandidate> programCandidates(std::u16string_view line);

/// Splits the text after the program name into arguments by the rules of the
/// Windows C runtime: blanks and tabs separate; quotes group and are dropped;
/// "" inside quotes is a quote; 2n backslashes before a quote give n
/// backslashes and the quote groups, 2n+1 give n backslashes and a literal
/// quote; other backslashes are literal.
std::vector<std::u16string> splitArguments(std::u16string_view rest);

/// The whole line: the program name (quotes toggle, no escapes, leading blanks
/// skipped, ends at a blank outside quotes) and the arguments.
CommandLineParts splitCommandLine(std::u16string_view line);

/// An argument written so that splitArguments gives it back unchanged.
std::u16string quoteArgument(std::u16string_view argument);

}  // namespace sigpatch::runtime
