#include "runtime/CommandLine.h"

namespace sigpatch::inline runtime {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::size_t skipBlanks(std::u16string_view line, std::size_t i) {
  while (i < line.size() && isBlank(line[i])) ++i;
  return i;
}

// The program name from position `i`: quotes toggle and are dropped, a blank
// outside quotes ends it. Returns the position after it.
std::size_t readProgram(std::u16string_view line, std::size_t i, std::u16string& program) {
  bool quoted = false;
  for (; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (isBlank(c) && !quoted) {
      break;
    } else {
      program.push_back(c);
    }
  }
  return i;
}

}  // namespace

std::vector<ProgramCandidate> programCandidates(std::u16string_view line) {
  std::vector<ProgramCandidate> candidates;
  const std::size_t start = skipBlanks(line, 0);
  const std::size_t n = line.size();
  if (start >= n) return candidates;
  std::size_t end = start;
  while (end < n && !isBlank(line[end])) ++end;
  if (line.substr(start, end - start).find(u'"') != std::u16string_view::npos) {
    // A quoted name is taken as written: the quotes say where it ends.
    std::u16string program;
    const std::size_t after = readProgram(line, start, program);
    candidates.push_back({std::move(program), line.substr(after)});
    return candidates;
  }
  // An unquoted name: each stretch that ends before a blank, shortest first. A
  // quote cannot belong to a file name, so the search stops before one.
  while (true) {
    candidates.push_back({std::u16string(line.substr(start, end - start)), line.substr(end)});
    std::size_t next = skipBlanks(line, end);
    if (next >= n) break;
    std::size_t nextEnd = next;
    while (nextEnd < n && !isBlank(line[nextEnd])) ++nextEnd;
    if (line.substr(next, nextEnd - next).find(u'"') != std::u16string_view::npos) break;
    end = nextEnd;
  }
  return candidates;
}

std::vector<std::u16string> splitArguments(std::u16string_view rest) {
  std::vector<std::u16string> arguments;
  std::size_t i = 0;
  const std::size_t n = rest.size();
  while (true) {
    i = skipBlanks(rest, i);
    if (i >= n) break;
    std::u16string argument;
    bool quoted = false;
    while (i < n) {
      const char16_t c = rest[i];
      if (c == u'\\') {
        std::size_t backslashes = 0;
        while (i < n && rest[i] == u'\\') {
          ++backslashes;
          ++i;
        }
        if (i < n && rest[i] == u'"') {
          argument.append(backslashes / 2, u'\\');
          if (backslashes % 2 == 1) {
            argument.push_back(u'"');
            ++i;
          }
          // An even run leaves the quote for the next round, where it groups.
        } else {
          argument.append(backslashes, u'\\');
        }
      } else if (c == u'"') {
        if (quoted && i + 1 < n && rest[i + 1] == u'"') {
          argument.push_back(u'"');
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else if (isBlank(c) && !quoted) {
        break;
      } else {
        argument.push_back(c);
        ++i;
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

CommandLineParts splitCommandLine(std::u16string_view line) {
  CommandLineParts parts;
  const std::size_t end = readProgram(line, skipBlanks(line, 0), parts.program);
  parts.arguments = splitArguments(line.substr(end));
  return parts;
}

std::u16string quoteArgument(std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string_view::npos) {
    return std::u16string(argument);
  }
  std::u16string quoted = u"\"";
  std::size_t backslashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      // Each backslash before a quote doubles, and one more escapes the quote.
      quoted.append(backslashes * 2 + 1, u'\\');
    } else {
      quoted.append(backslashes, u'\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  // Backslashes before the closing quote double, so that it still closes.
  quoted.append(backslashes * 2, u'\\');
  quoted.push_back(u'"');
  return quoted;
}

}  // namespace sigpatch::runtime
