// The Windows command-line split: any line splits without fault, and any list
// of arguments written with quoteArgument splits back into the same list.

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "runtime/CommandLine.h"

using namespace sigpatch::runtime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string line = asText(data, size);

  const CommandLineParts parts = splitCommandLine(line);
  std::size_t total = parts.program.size();
  for (const auto& argument : parts.arguments) total += argument.size();
  if (total > line.size()) __builtin_trap();  // a split never makes text

  for (const auto& candidate : programCandidates(line)) {
    // The rest is the end of the line itself.
    if (candidate.rest.data() < line.data() ||
        candidate.rest.data() + candidate.rest.size() != line.data() + line.size()) {
      __builtin_trap();
    }
    // Only a quoted name ("") can be empty.
    if (candidate.program.empty() && line.find(u'"') == std::u16string::npos) __builtin_trap();
  }

  // The same code units read as a list of arguments, separated by U+0001.
  std::vector<std::u16string> arguments(1);
  for (char16_t c : line) {
    if (c == u'\u0001') {
      arguments.emplace_back();
    } else {
      arguments.back().push_back(c);
    }
  }
  std::u16string joined;
  for (const auto& argument : arguments) joined += u" " + quoteArgument(argument);
  if (splitArguments(joined) != arguments) __builtin_trap();
  return 0;
}
